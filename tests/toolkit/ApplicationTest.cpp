#include <gtest/gtest.h>

#include <QTest>
#include <QThread>

#include "Application.h"
#include "Errors.h"
#include "Forms.h"
#include "StdCtrls.h"
#include "Timer.h"

namespace vx {
namespace {

class Boxes : public ::testing::Test {
  protected:
    void SetUp() override {
        Application->MessageBoxHook = [this](const TMessageBoxInfo& info) {
            Shown.push_back(info);
        };
    }
    void TearDown() override { Application->MessageBoxHook = nullptr; }
    std::vector<TMessageBoxInfo> Shown;
};

TEST(ErrorBox, AppendsAFullStopOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Could not load image")),
              QStringLiteral("Could not load image."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Fertig.")), QStringLiteral("Fertig."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Wirklich?")), QStringLiteral("Wirklich?."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Fehler!")), QStringLiteral("Fehler!"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Code 42")), QStringLiteral("Code 42."));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("a-")), QStringLiteral("a-"));
    EXPECT_EQ(ErrorBoxText(QStringLiteral("Pfad/")), QStringLiteral("Pfad/."));
    EXPECT_EQ(ErrorBoxText(QString()), QString());
}

TEST_F(Boxes, MessageBoxHasTheTitleAndNoIcon) {
    Application->MessageBox(QStringLiteral("Bitte erst eine Emailadresse eingeben"));
    ASSERT_EQ(Shown.size(), 1u);
    EXPECT_EQ(Shown[0].Caption, QStringLiteral("Verinox 1.0"));
    EXPECT_EQ(Shown[0].Text, QStringLiteral("Bitte erst eine Emailadresse eingeben"));
    EXPECT_EQ(Shown[0].Icon, QMessageBox::NoIcon);
}

TEST_F(Boxes, ErrorsEscapingHandlersShowTheErrorBoxAndGoOn) {
    TTimer timer;
    timer.SetEnabled(false);
    int ticks = 0;
    timer.OnTimer = [&](QObject*) {
        ++ticks;
        throw EInvalidGraphic("GIF encoded data is corrupt");
    };
    timer.Tick();
    timer.Tick();
    EXPECT_EQ(ticks, 2);
    ASSERT_EQ(Shown.size(), 2u);
    EXPECT_EQ(Shown[0].Text, QStringLiteral("GIF encoded data is corrupt."));
    EXPECT_EQ(Shown[0].Icon, QMessageBox::Critical);
    EXPECT_EQ(Shown[0].Caption, QStringLiteral("Verinox 1.0"));

    TPanel panel;
    panel.OnClick = [](QObject*) { throw Exception("Stream-Lesefehler"); };
    QTest::mouseClick(&panel, Qt::LeftButton, {}, QPoint(3, 3));
    ASSERT_EQ(Shown.size(), 3u);
    EXPECT_EQ(Shown[2].Text, QStringLiteral("Stream-Lesefehler."));
}

TEST(Timer, EnablingAnEnabledTimerDoesNotRestartIt) {
    TTimer timer;
    EXPECT_TRUE(timer.Enabled());
    EXPECT_EQ(timer.Interval(), 1000);
    EXPECT_TRUE(timer.Running()) << "a timer left at its defaults runs";
    EXPECT_GT(timer.RemainingTime(), 900);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
    timer.SetInterval(10000);
    timer.SetEnabled(true);
    ASSERT_TRUE(timer.Running());
    QThread::msleep(60);
    timer.SetEnabled(true);
    timer.SetInterval(10000);
    EXPECT_LE(timer.RemainingTime(), 9950);
    // A new interval counts from now.
    timer.SetInterval(20000);
    EXPECT_GT(timer.RemainingTime(), 15000);
    timer.SetEnabled(false);
    EXPECT_FALSE(timer.Running());
}

TEST(Timer, TicksReachTheHandler) {
    TTimer timer;
    timer.SetInterval(1);
    int ticks = 0;
    timer.OnTimer = [&](QObject*) { ++ticks; };
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 2; }, 2000));
}

}  // namespace
}  // namespace vx
