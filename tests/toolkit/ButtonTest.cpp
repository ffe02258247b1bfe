#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include "Forms.h"
#include "StdCtrls.h"

namespace vx {
namespace {

// A shown window with the button and an edit beside it; keys reach them as the window system
// sends them.
struct ButtonFixture : ::testing::Test {
    TForm form;
    TEdit* edit = new TEdit(&form);
    TButton* button = new TButton(&form);
    int clicks = 0;

    ButtonFixture() {
        form.SetBounds(0, 0, 300, 100);
        edit->SetTabOrder(0);
        button->SetTabOrder(1);
        button->SetBounds(150, 10, 75, 25);
        button->SetCaption(QStringLiteral("&Prüfen"));
        button->OnClick = [this](QObject*) { ++clicks; };
        form.Loaded();
        form.Show();
        QApplication::setActiveWindow(&form);
        edit->SetFocus();
        QApplication::processEvents();
    }
};

TEST_F(ButtonFixture, AccessKeyAndEnterClick) {
    QTest::keyClick(edit->Line(), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(clicks, 0);
    QTest::keyClick(edit->Line(), Qt::Key_P, Qt::AltModifier);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(button->hasFocus()) << "the access key focuses the button";
    QTest::keyClick(button, Qt::Key_Return);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ButtonFixture, SpaceClicksOnReleaseOnlyWhileDown) {
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(button->hasFocus());
    clicks = 0;
    QTest::keyPress(button, Qt::Key_Space);
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(clicks, 0);
    QKeyEvent held(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(button, &held);
    EXPECT_TRUE(button->Down()) << "a held key is released once";
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(clicks, 1);
    QTest::keyRelease(button, Qt::Key_Space);
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonFixture, DefaultAndCancelTakeTheWindowKeys) {
    QTest::keyClick(edit->Line(), Qt::Key_Escape);
    EXPECT_EQ(clicks, 0);
    button->SetDefault(true);
    QTest::keyClick(edit->Line(), Qt::Key_Return);
    EXPECT_EQ(clicks, 1);
    QTest::keyClick(edit->Line(), Qt::Key_Escape);
    EXPECT_EQ(clicks, 1);
    button->SetCancel(true);
    QTest::keyClick(edit->Line(), Qt::Key_Escape);
    EXPECT_EQ(clicks, 2);
}

}  // namespace
}  // namespace vx
