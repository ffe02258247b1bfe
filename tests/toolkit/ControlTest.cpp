#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

#include "Colors.h"
#include "Forms.h"
#include "QtPrinters.h"
#include "StdCtrls.h"

namespace vx {
namespace {

// A control that takes its access key and Enter like a default button would.
class TKeyTaker : public TWinControl {
  public:
    explicit TKeyTaker(QWidget* parent, QString caption)
        : TWinControl(parent), Caption(std::move(caption)) {
        SetTabStop(true);
    }
    bool DialogChar(QChar key, TShiftState) override {
        if (IsAccel(key, Caption)) {
            ++AccessKeys;
            return true;
        }
        return false;
    }
    bool DialogKey(TKey key, TShiftState) override {
        if (key == VK_RETURN && Default) {
            ++Returns;
            return true;
        }
        return false;
    }
    void KeyDown(TKey& key, TShiftState shift) override {
        KeysDown.push_back(key);
        TWinControl::KeyDown(key, shift);
    }
    void KeyUp(TKey& key, TShiftState shift) override {
        KeysUp.push_back(key);
        TWinControl::KeyUp(key, shift);
    }
    QString Caption;
    bool Default = false;
    int AccessKeys = 0;
    int Returns = 0;
    std::vector<TKey> KeysDown;
    std::vector<TKey> KeysUp;
};

void SendKey(QWidget* widget, QEvent::Type type, Qt::Key key, bool autoRepeat) {
    QKeyEvent event(type, key, Qt::NoModifier,
                    key == Qt::Key_Space ? QStringLiteral(" ") : QString(), autoRepeat);
    QApplication::sendEvent(widget, &event);
}

TEST(Align, PlacesChildrenTopBottomLeftRightThenClient) {
    TPanel parent;
    parent.SetBevelOuter(bvNone);
    parent.SetBounds(0, 0, 100, 80);
    TPanel top(&parent), bottom(&parent), left(&parent), client(&parent);
    top.SetHeight(10);
    top.SetAlign(alTop);
    bottom.SetHeight(15);
    bottom.SetAlign(alBottom);
    left.SetWidth(20);
    left.SetAlign(alLeft);
    client.SetAlign(alClient);
    EXPECT_EQ(top.BoundsRect(), QRect(0, 0, 100, 10));
    EXPECT_EQ(bottom.BoundsRect(), QRect(0, 65, 100, 15));
    EXPECT_EQ(left.BoundsRect(), QRect(0, 10, 20, 55));
    EXPECT_EQ(client.BoundsRect(), QRect(20, 10, 80, 55));

    // Hiding a child and resizing the parent place the others again.
    top.SetVisible(false);
    parent.SetBounds(0, 0, 120, 90);
    EXPECT_EQ(left.BoundsRect(), QRect(0, 0, 20, 75));
    EXPECT_EQ(client.BoundsRect(), QRect(20, 0, 100, 75));
}

TEST(Align, ClientChildStaysInsideThePanelBevels) {
    TPanel parent;
    parent.SetBevelOuter(bvLowered);
    parent.SetBounds(0, 0, 367, 113);
    TPanel inner(&parent);
    inner.SetAlign(alClient);
    EXPECT_EQ(inner.BoundsRect(), QRect(1, 1, 365, 111));
}

TEST(Panel, LoweredBevelShowsShadowTopLeftAndHighlightBottomRight) {
    TPanel panel;
    panel.SetBevelOuter(bvLowered);
    panel.SetColor(clWhite);
    panel.SetBounds(0, 0, 20, 10);
    const QImage image = panel.grab().toImage();
    const QRgb shadow = ToQColor(clBtnShadow).rgb();
    const QRgb highlight = ToQColor(clBtnHighlight).rgb();
    EXPECT_EQ(image.pixel(0, 0), shadow);
    EXPECT_EQ(image.pixel(18, 0), shadow);
    EXPECT_EQ(image.pixel(0, 8), shadow);
    EXPECT_EQ(image.pixel(0, 9), highlight);
    EXPECT_EQ(image.pixel(19, 0), highlight);
    EXPECT_EQ(image.pixel(19, 9), highlight);
    EXPECT_EQ(image.pixel(1, 9), highlight);
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
}

TEST(Colors, SystemColoursResolveFromThePalette) {
    EXPECT_EQ(ColorToRGB(RGB(1, 2, 3)), 0x030201u);
    EXPECT_EQ(ColorToRGB(16771030), 16771030u);
    const QColor highlight =
        QGuiApplication::palette().color(QPalette::Active, QPalette::Highlight);
    EXPECT_EQ(ToQColor(clHighlight), highlight);
    EXPECT_EQ(ColorToRGB(clNone), 0u);
    EXPECT_EQ(IdentToInt(QStringLiteral("clBtnFace")), clBtnFace);
    EXPECT_EQ(IdentToInt(QStringLiteral("crHandPoint")), crHandPoint);
    EXPECT_FALSE(IdentToInt(QStringLiteral("clNoSuch")).has_value());
}

TEST(ParentColor, ChildrenFollowTheirParentUntilGivenTheirOwn) {
    TPanel parent;
    parent.SetColor(clWhite);
    TLabel label(&parent);
    EXPECT_EQ(label.Color(), clWhite);
    parent.SetColor(clBlue);
    EXPECT_EQ(label.Color(), clBlue);
    label.SetColor(clBlack);
    parent.SetColor(clRed);
    EXPECT_EQ(label.Color(), clBlack);
    EXPECT_FALSE(label.ParentColor());
}

class Keys : public ::testing::Test {
  protected:
    void SetUp() override {
        form.SetBounds(0, 0, 300, 200);
        edit = new TEdit(&form);
        edit->SetTabOrder(0);
        check = new TKeyTaker(&form, QStringLiteral("&Prüfen"));
        check->SetTabOrder(1);
        close = new TKeyTaker(&form, QStringLiteral("&Schließen"));
        close->SetTabOrder(2);
        form.Loaded();
        form.Show();
        QApplication::setActiveWindow(&form);
        edit->SetFocus();
        QApplication::processEvents();
    }
    TForm form;
    TEdit* edit;
    TKeyTaker* check;
    TKeyTaker* close;
};

TEST_F(Keys, AltLetterReachesTheAccessKeyOwner) {
    ASSERT_TRUE(edit->Line()->hasFocus());
    QTest::keyClick(edit->Line(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(close->AccessKeys, 1);
    EXPECT_EQ(check->AccessKeys, 0);
    EXPECT_EQ(edit->Text(), QString());
}

TEST_F(Keys, PlainLettersAreAccessKeysOnlyWhereNoControlWantsThem) {
    QTest::keyClick(edit->Line(), Qt::Key_P);
    EXPECT_EQ(check->AccessKeys, 0);
    EXPECT_EQ(edit->Text(), QStringLiteral("p"));
    close->SetFocus();
    QApplication::processEvents();
    QTest::keyClick(close, Qt::Key_P);
    EXPECT_EQ(check->AccessKeys, 1);
}

TEST_F(Keys, EnterGoesToTheEditFirstThenToTheDialogKeys) {
    std::vector<QChar> typed;
    edit->OnKeyPress = [&](QObject*, QChar& key) { typed.push_back(key); };
    QTest::keyClick(edit->Line(), Qt::Key_Return);
    ASSERT_EQ(typed.size(), 1u);
    EXPECT_EQ(typed[0], QChar(13));
    close->Default = true;
    QTest::keyClick(edit->Line(), Qt::Key_Return);
    EXPECT_EQ(close->Returns, 1);
    EXPECT_EQ(typed.size(), 1u);
}

TEST_F(Keys, KeyPreviewLetsTheWindowSeeKeysFirst) {
    std::vector<TKey> seen;
    form.OnKeyDown = [&](QObject*, TKey& key, TShiftState) {
        seen.push_back(key);
        if (key == VK_ESCAPE) {
            key = 0;
        }
    };
    QTest::keyClick(edit->Line(), Qt::Key_Escape);
    EXPECT_TRUE(seen.empty());
    form.SetKeyPreview(true);
    QTest::keyClick(edit->Line(), Qt::Key_Escape);
    QTest::keyClick(edit->Line(), Qt::Key_A);
    EXPECT_EQ(seen, (std::vector<TKey>{VK_ESCAPE, 'A'}));
    EXPECT_EQ(edit->Text(), QStringLiteral("a"));
}

TEST_F(Keys, AccessKeysWorkWhileNothingHasTheFocus) {
    edit->Line()->clearFocus();
    ASSERT_EQ(QApplication::focusWidget(), nullptr);
    QTest::keyClick(form.windowHandle(), Qt::Key_S, Qt::AltModifier);
    EXPECT_EQ(close->AccessKeys, 1);
}

TEST_F(Keys, TheWindowsDialogKeysComeBeforeTheFocusedControl) {
    close->Default = true;
    close->SetFocus();
    QApplication::processEvents();
    QTest::keyClick(close, Qt::Key_Return);
    EXPECT_EQ(close->Returns, 1);
    EXPECT_TRUE(close->KeysDown.empty()) << "a dialog key taken by the window goes no further";
    QTest::keyClick(close, Qt::Key_Space);
    EXPECT_EQ(close->KeysDown, std::vector<TKey>{VK_SPACE});
}

TEST_F(Keys, AHeldKeyRepeatsItsKeyDownButIsReleasedOnce) {
    close->SetFocus();
    QApplication::processEvents();
    SendKey(close, QEvent::KeyPress, Qt::Key_Space, false);
    for (int i = 0; i < 3; ++i) {
        SendKey(close, QEvent::KeyRelease, Qt::Key_Space, true);
        SendKey(close, QEvent::KeyPress, Qt::Key_Space, true);
    }
    EXPECT_TRUE(close->KeysUp.empty());
    SendKey(close, QEvent::KeyRelease, Qt::Key_Space, false);
    EXPECT_EQ(close->KeysDown.size(), 4u);
    EXPECT_EQ(close->KeysUp, std::vector<TKey>{VK_SPACE});
}

TEST_F(Keys, CtrlEnterTypesALineFeedNotACarriageReturn) {
    std::vector<QChar> typed;
    edit->OnKeyPress = [&](QObject*, QChar& key) { typed.push_back(key); };
    QTest::keyClick(edit->Line(), Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(typed, std::vector<QChar>{QChar(10)});
}

TEST_F(Keys, TabFollowsTheTabStopsAndPassesOverWidgetsInsideOtherControls) {
    // A control without a tab stop that makes a focusable widget of its own after the tab order
    // was chained, as the browser view makes its page.
    auto* view = new TWinControl(&form);
    view->SetBounds(0, 100, 100, 50);
    auto* page = new QLineEdit(view);
    page->show();
    close->SetFocus();
    QApplication::processEvents();
    QTest::keyClick(close, Qt::Key_Tab);
    EXPECT_TRUE(edit->Line()->hasFocus()) << "Tab goes round to the first tab stop";
    QTest::keyClick(edit->Line(), Qt::Key_Tab);
    EXPECT_TRUE(check->hasFocus());
    QTest::keyClick(check, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(edit->Line()->hasFocus());
    check->SetTabStop(false);
    QTest::keyClick(edit->Line(), Qt::Key_Tab);
    EXPECT_TRUE(close->hasFocus());
    QTest::mouseClick(page, Qt::LeftButton);
    EXPECT_TRUE(page->hasFocus()) << "a click still puts the focus there";
}

// A control that notes its mouse calls in order.
class TMouseNotes : public TWinControl {
  public:
    using TWinControl::TWinControl;
    void MouseDown(TMouseButton, TShiftState shift, int, int) override {
        Notes << (shift.testFlag(ssDouble) ? "double down" : "down");
    }
    void MouseUp(TMouseButton, TShiftState, int, int) override { Notes << "up"; }
    void Click() override { Notes << "click"; }
    void DblClick() override { Notes << "dblclick"; }
    QStringList Notes;
};

TEST(Mouse, ADoubleClickFromTheWindowSystemIsOnePressReleaseThenADoublePress) {
    TForm form;
    form.SetBounds(0, 0, 200, 100);
    auto* control = new TMouseNotes(&form);
    control->SetBounds(10, 10, 80, 40);
    form.Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::mouseDClick(form.windowHandle(), Qt::LeftButton, {}, QPoint(30, 30));
    // The second press is a double press, and its release clicks no more.
    EXPECT_EQ(control->Notes,
              QStringList({"down", "up", "click", "dblclick", "double down", "up"}));
}

TEST(Form, FixedBorderKeepsTheClientSize) {
    TForm form;
    form.SetBorderStyle(bsSingle);
    form.SetBorderIcons(TBorderIcons(biSystemMenu) | biMinimize);
    form.SetClientWidth(397);
    form.SetClientHeight(248);
    EXPECT_EQ(form.minimumSize(), QSize(397, 248));
    EXPECT_EQ(form.maximumSize(), QSize(397, 248));
    EXPECT_FALSE(form.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(form.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
}

TEST(PopupMenu, OpensEvenWithoutItems) {
    TPopupMenu menu;
    int popups = 0;
    menu.OnPopup = [&](QObject*) { ++popups; };
    menu.Popup(120, 80);
    EXPECT_EQ(popups, 1);
    EXPECT_EQ(menu.PopupCount(), 1);
    EXPECT_EQ(menu.PopupPoint(), QPoint(120, 80));
}

}  // namespace
}  // namespace vx
