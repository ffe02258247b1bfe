#include <gtest/gtest.h>

#include <QBuffer>
#include <optional>

#include "Colors.h"
#include "Errors.h"
#include "QtPrinters.h"
#include "RealInput.h"
#include "ShapeButton.h"
#include "StdCtrls.h"

namespace vx {
namespace {

using namespace shape;

QByteArray PngOf(int w, int h, QColor colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// A button whose cursor position the test may set, as if the platform had missed a move.
class TTestShapeButton : public TShapeButton {
  public:
    using TShapeButton::TShapeButton;
    std::optional<QPoint> Cursor;

  protected:
    QPoint CursorPos() const override { return Cursor ? *Cursor : TShapeButton::CursorPos(); }
};

class ShapeButton : public ::testing::Test {
  protected:
    void SetUp() override {
        parent.SetBevelOuter(bvNone);
        parent.SetColor(clRed);
        parent.SetBounds(0, 0, 260, 60);
        button = new TTestShapeButton(&parent);
        button->SetBounds(30, 20, 201, 20);
        button->OnClick = [this](QObject*) { events.push_back("click"); };
        button->OnMouseUp = [this](QObject*, TMouseButton, TShiftState, int, int) {
            events.push_back("up");
        };
    }
    QImage Render() { return parent.grab().toImage(); }
    void Show() { test::ShowActive(parent); }
    // Presses on the button at `at` and releases at `to` (button coordinates).
    void Drag(QPoint at, QPoint to, Qt::MouseButton mouseButton = Qt::LeftButton) {
        test::MousePress(button, mouseButton, {}, at);
        test::MouseRelease(button, mouseButton, {}, to);
    }

    TPanel parent;
    TTestShapeButton* button;
    std::vector<std::string> events;
};

TEST_F(ShapeButton, DefaultsOfANewButton) {
    TShapeButton fresh;
    EXPECT_EQ(fresh.Width(), 32);
    EXPECT_EQ(fresh.Height(), 32);
    EXPECT_EQ(fresh.Style(), tasButton);
    EXPECT_EQ(fresh.ShortCutHintPos(), shpTop);
    EXPECT_FALSE(fresh.ShowHint());
    EXPECT_EQ(fresh.Version(), QStringLiteral("1.0.0.0"));
    fresh.SetVersion(QStringLiteral("9"));
    EXPECT_EQ(fresh.Version(), QStringLiteral("1.0.0.0"));
    EXPECT_EQ(fresh.focusPolicy(), Qt::NoFocus);
}

TEST_F(ShapeButton, WithoutPicturesPaintsNothingInAnyState) {
    Show();
    const QImage before = Render();
    const QRgb red = qRgb(255, 0, 0);
    for (int y = 20; y < 40; ++y) {
        EXPECT_EQ(before.pixel(30, y), red);
        EXPECT_EQ(before.pixel(230, y), red);
    }
    test::MoveTo(button, {5, 5});
    EXPECT_TRUE(button->IsHot());
    EXPECT_EQ(Render(), before);
    test::MousePress(button, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(Render(), before);
    test::MouseRelease(button, Qt::LeftButton, {}, {5, 5});
    button->SetEnabled(false);
    EXPECT_EQ(Render(), before);
}

TEST_F(ShapeButton, ClickNeedsPressAndReleaseInside) {
    Show();
    Drag({10, 10}, {220, 10});
    EXPECT_EQ(events, (std::vector<std::string>{"up"}));
    events.clear();
    Drag({10, 10}, {12, 11});
    EXPECT_EQ(events, (std::vector<std::string>{"up", "click"}));
}

TEST_F(ShapeButton, ReleaseJustPastTheEdgesDoesNotClick) {
    Show();
    Drag({10, 10}, {10, 20});
    Drag({10, 10}, {201, 10});
    Drag({10, 10}, {200, 19});
    EXPECT_EQ(std::count(events.begin(), events.end(), "click"), 1);
}

TEST_F(ShapeButton, RightButtonNeverClicks) {
    Show();
    Drag({10, 10}, {10, 10}, Qt::RightButton);
    EXPECT_EQ(events, (std::vector<std::string>{"up"}));
}

TEST_F(ShapeButton, DoubleClickClicksTwiceAndNeverFiresOnDblClick) {
    Show();
    int dbl = 0;
    button->OnDblClick = [&](QObject*) { ++dbl; };
    test::MouseDClick(button, Qt::LeftButton, {}, {50, 10});
    EXPECT_EQ(std::count(events.begin(), events.end(), "click"), 2);
    EXPECT_EQ(dbl, 0);
}

TEST_F(ShapeButton, DownStaysUpForAPlainButton) {
    button->SetDown(true);
    EXPECT_FALSE(button->Down());
}

TEST_F(ShapeButton, GroupKeepsOneButtonDown) {
    auto* second = new TTestShapeButton(&parent);
    button->SetGroupIndex(1);
    second->SetGroupIndex(1);
    button->SetDown(true);
    EXPECT_TRUE(button->Down());
    Show();
    test::MouseClick(second, Qt::LeftButton, {}, {1, 1});
    EXPECT_TRUE(second->Down());
    EXPECT_FALSE(button->Down());
    // Clicking the down button again leaves it down.
    test::MouseClick(second, Qt::LeftButton, {}, {1, 1});
    EXPECT_TRUE(second->Down());
    EXPECT_EQ(second->DrawState(), TCustomShapeButton::stLatched);
}

TEST_F(ShapeButton, CheckStyleToggles) {
    button->SetStyle(tasCheck);
    Show();
    test::MouseClick(button, Qt::LeftButton, {}, {1, 1});
    EXPECT_TRUE(button->Down());
    test::MouseClick(button, Qt::LeftButton, {}, {1, 1});
    EXPECT_FALSE(button->Down());
}

TEST_F(ShapeButton, PictureIsCentredUnscaled) {
    button->Picture()->SetData(PngOf(16, 16, Qt::blue));
    const QImage image = Render();
    const QRgb blue = qRgb(0, 0, 255);
    // 30 + (201 - 16) / 2 = 122, 20 + (20 - 16) / 2 = 22
    EXPECT_EQ(image.pixel(122, 22), blue);
    EXPECT_EQ(image.pixel(137, 37), blue);
    EXPECT_NE(image.pixel(121, 22), blue);
    EXPECT_NE(image.pixel(138, 22), blue);
    EXPECT_NE(image.pixel(122, 21), blue);
    EXPECT_EQ(button->Picture()->FormatCode(), ifPNG);
}

TEST_F(ShapeButton, FacesFollowHotPressedAndDisabled) {
    button->Picture()->SetData(PngOf(4, 4, Qt::blue));
    button->PictureHot()->SetData(PngOf(4, 4, Qt::green));
    button->PictureDown()->SetData(PngOf(4, 4, Qt::black));
    button->PictureDisabled()->SetData(PngOf(4, 4, Qt::gray));
    Show();
    EXPECT_EQ(button->FacePicture(), button->Picture());
    test::MoveTo(button, {1, 1});
    EXPECT_EQ(button->FacePicture(), button->PictureHot());
    test::MousePress(button, Qt::LeftButton, {}, {1, 1});
    EXPECT_EQ(button->FacePicture(), button->PictureDown());
    test::MouseRelease(button, Qt::LeftButton, {}, {220, 1});
    EXPECT_EQ(button->FacePicture(), button->Picture());
    button->SetEnabled(false);
    EXPECT_EQ(button->FacePicture(), button->PictureDisabled());
}

TEST_F(ShapeButton, LeaveTimerNoticesTheMouseHasGone) {
    Show();
    test::MoveTo(button, {5, 5});
    EXPECT_TRUE(button->IsHot());
    EXPECT_TRUE(button->LeaveTimerRunning());
    // The pointer is elsewhere without the platform having said so.
    button->Cursor = button->mapToGlobal(QPoint(5, 25));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !button->LeaveTimerRunning(); }, 1000));
    EXPECT_FALSE(button->IsHot());
}

TEST_F(ShapeButton, KeyTipSitsOnTheMiddleOfTheNamedEdge) {
    const QPoint corner(100, 50);
    const QSize tip(20, 10);
    button->SetShortCutHintPos(shpTop);
    EXPECT_EQ(button->ShortCutHintPlace(corner, tip), QPoint(100 + 90, 45));
    button->SetShortCutHintPos(shpLeft);
    EXPECT_EQ(button->ShortCutHintPlace(corner, tip), QPoint(90, 55));
    button->SetShortCutHintPos(shpRight);
    EXPECT_EQ(button->ShortCutHintPlace(corner, tip), QPoint(100 + 201 - 10, 55));
    button->SetShortCutHintPos(shpBottom);
    EXPECT_EQ(button->ShortCutHintPlace(corner, tip), QPoint(190, 65));
}

TEST_F(ShapeButton, ActionLinkCarriesGroupCheckMarkAndExecution) {
    TAction action;
    action.SetGroupIndex(2);
    int executed = 0;
    action.OnExecute = [&](QObject*) { ++executed; };
    auto* linked = new TTestShapeButton(&parent);
    linked->SetAction(&action);
    EXPECT_EQ(linked->GroupIndex(), 2);
    action.SetChecked(true);
    EXPECT_TRUE(linked->Down());
    action.SetEnabled(false);
    EXPECT_FALSE(linked->Enabled());
    action.SetEnabled(true);
    Show();
    test::MouseClick(linked, Qt::LeftButton, {}, {5, 5});
    EXPECT_EQ(executed, 1);

    // Another button of the group going down clears the action's check mark.
    auto* other = new TTestShapeButton(&parent);
    other->SetGroupIndex(2);
    linked->SetAllowAllUp(true);
    other->SetDown(true);
    EXPECT_FALSE(linked->Down());
    EXPECT_FALSE(action.Checked());
}

TEST(GDIPPicture, RecordRoundTripAndDamagedRecords) {
    TGDIPPicture source;
    source.SetData(PngOf(5, 3, Qt::blue));
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    source.WriteData(out);
    TGDIPPicture copy;
    EXPECT_TRUE(copy.ReadExtra(QStringLiteral("Data"), TLayoutValue(out.data())));
    EXPECT_EQ(copy.Width(), 5);
    EXPECT_EQ(copy.Height(), 3);
    EXPECT_EQ(copy.Data(), source.Data());
    EXPECT_THROW(copy.ReadExtra(QStringLiteral("Data"), TLayoutValue(out.data().left(10))),
                 EReadError);
    // Bytes no reader knows leave the picture empty.
    copy.SetData(QByteArray("not a picture"));
    EXPECT_TRUE(copy.Empty());
    EXPECT_EQ(copy.FormatCode(), ifUnknown);
}

TEST_F(ShapeButton, KeyTipRequestsToggleTheWindowAtItsPlace) {
    parent.show();
    button->SetShortCutHint(QStringLiteral("W"));
    button->SetShortCutHintPos(shpBottom);
    button->ToggleShortCutHint();
    TShortCutHintWindow* tip = button->ShortCutHintWindow();
    ASSERT_NE(tip, nullptr);
    EXPECT_TRUE(tip->isVisible());
    EXPECT_EQ(tip->Caption(), QStringLiteral("W"));
    EXPECT_EQ(tip->pos(),
              button->ShortCutHintPlace(button->mapToGlobal(QPoint(0, 0)), tip->size()));
    button->ToggleShortCutHint();
    EXPECT_EQ(button->ShortCutHintWindow(), nullptr);
}

}  // namespace
}  // namespace vx
