#include <gtest/gtest.h>

#include "Forms.h"
#include "StdCtrls.h"

namespace vx {
namespace {

struct ButtonFixture : ::testing::Test {
    TForm form;
    TButton* button = new TButton(&form);
    int clicks = 0;

    ButtonFixture() {
        button->SetCaption(QStringLiteral("&Prüfen"));
        button->OnClick = [this](QObject*) { ++clicks; };
    }
};

TEST_F(ButtonFixture, AccessKeyAndEnterClick) {
    EXPECT_FALSE(form.DispatchDialogChar(u'x', {}));
    EXPECT_TRUE(form.DispatchDialogChar(u'p', ssAlt));
    EXPECT_EQ(clicks, 1);
    TKey enter = VK_RETURN;
    button->KeyDown(enter, {});
    EXPECT_EQ(enter, 0);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ButtonFixture, SpaceClicksOnReleaseOnlyWhileDown) {
    TKey space = VK_SPACE;
    button->KeyDown(space, {});
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(clicks, 0);
    button->KeyUp(space, {});
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(clicks, 1);
    button->KeyUp(space, {});
    EXPECT_EQ(clicks, 1);
}

TEST_F(ButtonFixture, DefaultAndCancelTakeTheWindowKeys) {
    EXPECT_FALSE(form.DispatchDialogKey(VK_RETURN, {}));
    button->SetDefault(true);
    EXPECT_TRUE(form.DispatchDialogKey(VK_RETURN, {}));
    EXPECT_FALSE(form.DispatchDialogKey(VK_ESCAPE, {}));
    button->SetCancel(true);
    EXPECT_TRUE(form.DispatchDialogKey(VK_ESCAPE, {}));
    EXPECT_EQ(clicks, 2);
}

}  // namespace
}  // namespace vx
