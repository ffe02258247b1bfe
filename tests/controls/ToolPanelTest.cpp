#include <gtest/gtest.h>

#include <QApplication>
#include <QToolTip>
#include <cmath>

#include "Forms.h"
#include "Layout.h"
#include "PanelTestSupport.h"
#include "RealInput.h"
#include "ToolPanels.h"

namespace vx {
namespace {

using test::BandColor;
using test::Render;
using test::Rgb;

constexpr TColor kFrom = 16771030;
constexpr TColor kTo = 13007698;

// The body row y of a tool panel `height` rows high: bands of round(bw) + 1 rows over the
// height less three (the two bottom rows the body leaves out and the far-edge pixel).
QRgb BodyRow(int y, int height) {
    const double bw = (height - 3) / 128.0;
    for (int i = 127; i >= 0; --i) {
        const int start = static_cast<int>(std::nearbyint(i * bw));
        if (y >= start && y < start + static_cast<int>(std::nearbyint(bw)) + 1) {
            return BandColor(kFrom, kTo, 128, i);
        }
    }
    return 0;
}

// A tool panel at (0, 0) on a shown window, with room right of and below it where the pointer
// is off the panel.
struct ShownPanel {
    explicit ShownPanel(int width, int height) {
        form.SetBounds(0, 0, width + 40, height + 40);
        panel = new TToolPanel(&form);
        panel->SetBounds(0, 0, width, height);
        test::ShowActive(form);
    }
    TForm form;
    TToolPanel* panel = nullptr;
};

TEST(ToolPanel, InfoDialogBodyFollowsTheBandsOnEveryRow) {
    TToolPanel panel;
    panel.SetBounds(-4, -80, 404, 521);
    const QImage image = Render(panel);
    for (int y = 23; y <= 518; ++y) {
        ASSERT_EQ(image.pixel(100, y), BodyRow(y, 521)) << "row " << y;
        ASSERT_EQ(image.pixel(1, y), image.pixel(100, y)) << "row " << y;
        ASSERT_EQ(image.pixel(401, y), image.pixel(100, y)) << "row " << y;
    }
    EXPECT_EQ(image.pixel(100, 80), Rgb(194, 215, 247));   // band 19
    EXPECT_EQ(image.pixel(100, 450), Rgb(100, 137, 206));  // band 111
    EXPECT_EQ(image.pixel(100, 514), Rgb(83, 124, 198));   // band 127 starts here
    EXPECT_EQ(image.pixel(100, 513), BandColor(kFrom, kTo, 128, 126));
    // What the body leaves: the bevel's column 0, the fill in the two right columns and rows.
    EXPECT_EQ(image.pixel(0, 200), Rgb(clBtnHighlight));
    EXPECT_EQ(image.pixel(402, 200), Rgb(kFrom));
    EXPECT_EQ(image.pixel(403, 200), Rgb(clBtnShadow));
    EXPECT_EQ(image.pixel(100, 519), Rgb(kFrom));
    EXPECT_EQ(image.pixel(100, 520), Rgb(clBtnShadow));
}

TEST(ToolPanel, CaptionBarSwitchesColoursWithTheFocus) {
    ShownPanel shown(200, 100);
    TToolPanel* panel = shown.panel;
    auto* edit = new TEdit(&shown.form);
    edit->SetBounds(10, 110, 100, 21);
    edit->SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(panel->PanelFocused());
    QImage image = Render(*panel);
    EXPECT_EQ(image.pixel(60, 1), BandColor(14059353, 9648131, 16, 0));
    EXPECT_EQ(image.pixel(60, 21), BandColor(14059353, 9648131, 16, 15));
    // A press anywhere on the panel takes the focus and switches to the focus colours.
    test::MouseClick(panel, Qt::LeftButton, {}, {100, 60});
    EXPECT_TRUE(panel->Focused());
    EXPECT_TRUE(panel->PanelFocused());
    EXPECT_TRUE(panel->Pressed());
    image = Render(*panel);
    EXPECT_EQ(image.pixel(60, 1), BandColor(9758459, 1414638, 16, 0));
    // Leaving the panel ends the pressed state; losing the focus the focus colours.
    test::MoveAway(shown.form);
    EXPECT_FALSE(panel->Pressed());
    edit->SetFocus();
    QApplication::processEvents();
    EXPECT_FALSE(panel->PanelFocused());
    // Dock dots: black 2 x 2 squares at (4, 4 + 4k) over white ones one pixel lower right.
    image = Render(*panel);
    EXPECT_EQ(image.pixel(60, 1), BandColor(14059353, 9648131, 16, 0));
    EXPECT_EQ(image.pixel(4, 8), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(6, 10), qRgb(255, 255, 255));
}

TEST(ToolPanel, AlignedChildrenStartBelowTheCaptionBar) {
    TToolPanel panel;
    auto* child = new TPanel(&panel);
    child->SetAlign(alTop);
    EXPECT_EQ(child->Top(), 23);
    panel.SetShowCaption(false);
    EXPECT_EQ(child->Top(), 1);
}

TEST(ToolPanel, DefaultsStylesAndBitmaps) {
    TToolPanel panel;
    EXPECT_EQ(panel.Width(), 180);
    EXPECT_EQ(panel.Height(), 300);
    EXPECT_FALSE(panel.Button3D());
    EXPECT_FALSE(panel.ShowCaptionBorder());
    EXPECT_TRUE(panel.TabStop());
    EXPECT_EQ(panel.Version(), QStringLiteral("1.4.1.0"));
    EXPECT_EQ(panel.SectionLayout()->CaptionGradientDir(), tp::gdHorizontal);
    for (TBitmap* bitmap : {&panel.CloseGlyph(), &panel.LockGlyph(), &panel.UnlockGlyph()}) {
        EXPECT_EQ(bitmap->Width(), 16);
        EXPECT_EQ(bitmap->Height(), 16);
        EXPECT_TRUE(bitmap->Monochrome());
    }
    panel.SetStyle(tp::esOffice2007Luna);
    EXPECT_EQ(panel.Color(), 16774371);
    EXPECT_EQ(panel.ColorTo(), 15587784);
    EXPECT_EQ(panel.NoFocusCaptionFontColor(), 7485192);
    EXPECT_EQ(panel.SectionLayout()->BorderColor(), 16765615);
    EXPECT_EQ(panel.SectionLayout()->CaptionGradientDir(), tp::gdVertical);
    EXPECT_EQ(panel.SectionLayout()->ItemHoverTextColor(), 11876608);
    panel.SetButton3D(true);
    panel.SetStyle(tp::esCustom);
    EXPECT_EQ(panel.Style(), tp::esCustom);
    EXPECT_EQ(panel.Color(), 16774371);
    EXPECT_TRUE(panel.Button3D());
    panel.SetStyle(tp::esWhidbey);
    EXPECT_EQ(panel.SectionLayout()->BackGroundColorTo(), clNone);
    EXPECT_EQ(panel.HoverButtonColor(), 16120314);
}

TEST(ToolPanel, LayoutSetsTheInfoDialogValues) {
    RegisterToolPanels();
    TForm form;
    TLayoutReader::Read(QStringLiteral("test"), R"(object Form2: TForm
  object ToolPanel1: TToolPanel
    Left = -4
    Top = -80
    Width = 404
    Height = 521
    AllowDocking = False
    AutoLock = True
    BackgroundTransparent = False
    BackGroundPosition = bpTopLeft
    Button3D = False
    CaptionButton = False
    ColorTo = 13007698
    GradientDirection = gdVertical
    CaptionGradientDirection = gdVertical
    DockDots = True
    HoverButtonColor = 14483455
    HoverButtonColorTo = 6013175
    DownButtonColor = 557032
    DownButtonColorTo = 8182519
    FocusCaptionFontColor = clBlack
    FocusCaptionColor = 9758459
    FocusCaptionColorTo = 1414638
    NoFocusCaptionFontColor = clWhite
    NoFocusCaptionColor = 14059353
    NoFocusCaptionColorTo = 9648131
    CloseHint = 'Close panel'
    LockHint = 'Lock panel'
    UnlockHint = 'Unlock panel'
    SectionLayout.CaptionColor = 16244422
    SectionLayout.CaptionColorTo = 14060643
    SectionLayout.CaptionFontColor = 8661248
    SectionLayout.CaptionRounded = False
    SectionLayout.Corners = scRectangle
    SectionLayout.BackGroundColor = 16248798
    SectionLayout.BackGroundColorTo = 16242365
    SectionLayout.BorderColor = clWhite
    SectionLayout.BorderWidth = 1
    SectionLayout.BackGroundGradientDir = gdVertical
    SectionLayout.Indent = 4
    SectionLayout.Spacing = 4
    SectionLayout.ItemFontColor = 11876608
    SectionLayout.ItemHoverTextColor = 11876608
    SectionLayout.ItemHoverUnderline = True
    SectionLayout.UnderLineCaption = False
    ShowCaptionBorder = False
    Version = '1.4.1.0'
  end
end
)",
                        form);
    auto* panel = form.Find<TToolPanel>(QStringLiteral("ToolPanel1"));
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->BoundsRect(), QRect(-4, -80, 404, 521));
    EXPECT_FALSE(panel->AllowDocking());
    EXPECT_TRUE(panel->AutoLock());
    EXPECT_EQ(panel->SectionLayout()->BackGroundGradientDir(), tp::gdVertical);
}

TEST(ToolPanel, CaptionButtonsShowTheirHints) {
    ShownPanel shown(200, 100);
    TToolPanel* panel = shown.panel;
    panel->SetShowHint(true);
    test::MoveTo(panel, {190, 10});
    EXPECT_EQ(panel->toolTip(), QStringLiteral("Close panel"));
    // The hint comes up after the pointer rests there.
    ASSERT_TRUE(QTest::qWaitFor([] { return QToolTip::isVisible(); }, 3000));
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Close panel"));
    QToolTip::hideText();
    test::MoveTo(panel, {165, 10});
    EXPECT_EQ(panel->toolTip(), QStringLiteral("Lock panel"));
    test::MoveTo(panel, {100, 10});
    EXPECT_EQ(panel->toolTip(), QString());
    panel->SetShowClose(false);
    test::MoveTo(panel, {190, 10});
    EXPECT_EQ(panel->toolTip(), QStringLiteral("Lock panel"));
}

TEST(ToolPanel, CloseButtonHighlightsUnderTheMouse) {
    ShownPanel shown(200, 100);
    TToolPanel* panel = shown.panel;
    // C = (1, 1, 198, 22): B = (178, 3, 192, 17), hover area (177, 2, 193, 18); its gradient
    // has bands of two rows at round(i x 15/16), so row 4 shows band 2. The caption bar's own
    // gradient runs down, so column 120 shows the bar's colour of a row.
    test::MoveTo(panel, {185, 10});
    QImage image = Render(*panel);
    EXPECT_EQ(image.pixel(177, 10), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(180, 4), BandColor(14483455, 6013175, 16, 2));
    test::MousePress(panel, Qt::LeftButton, {}, {185, 10});
    image = Render(*panel);
    EXPECT_EQ(image.pixel(180, 4), BandColor(557032, 8182519, 16, 2));
    test::MouseRelease(panel, Qt::LeftButton, {}, {185, 10});
    test::MoveTo(panel, {100, 60});
    image = Render(*panel);
    EXPECT_EQ(image.pixel(180, 4), image.pixel(120, 4));
    EXPECT_NE(image.pixel(177, 10), qRgb(0, 0, 0));
}

TEST(ToolPanel, EmptySectionsLeaveTheBody) {
    TToolPanel panel;
    panel.SetBounds(0, 0, 200, 300);
    const QImage image = Render(panel);
    EXPECT_EQ(image.pixel(100, 30), BodyRow(30, 300));
    EXPECT_EQ(image.pixel(100, 200), BodyRow(200, 300));
}

TEST(ToolPanel, SectionItemsHoverAndClick) {
    ShownPanel shown(200, 300);
    TToolPanel* panel = shown.panel;
    panel->SetShowHint(true);
    TToolPanelSection& section = panel->AddSection(QStringLiteral("Links"));
    section.SetHeight(80);
    section.AddItem(QStringLiteral("First"));
    section.AddItem(QStringLiteral("-"));
    section.AddItem(QStringLiteral("Third"));
    const QImage image = Render(*panel);
    // Caption strip x 5 to 197 in 48 bands of 4 + 1 columns: column 100 shows band 23.
    EXPECT_EQ(image.pixel(100, 23), BandColor(16244422, 14060643, 48, 23));
    EXPECT_NE(image.pixel(100, 50), BodyRow(50, 300));

    const QPoint first = panel->ItemRect(0, 0).center();
    test::MoveTo(panel, first);
    EXPECT_EQ(panel->HoveredItem(), 0);
    EXPECT_EQ(panel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(panel->toolTip(), QStringLiteral("First"));
    std::pair<int, int> clicked{-1, -1};
    panel->OnItemClick = [&](QObject*, int s, int i) { clicked = {s, i}; };
    test::MouseClick(panel, Qt::LeftButton, {}, first);
    EXPECT_EQ(clicked, std::make_pair(0, 0));
    test::MoveTo(panel, panel->ItemRect(0, 1).center());
    EXPECT_EQ(panel->HoveredItem(), -1);
    EXPECT_NE(panel->cursor().shape(), Qt::PointingHandCursor);
    // Leaving the panel from an item restores the cursor as well.
    test::MoveTo(panel, panel->ItemRect(0, 2).center());
    EXPECT_EQ(panel->HoveredItem(), 2);
    test::MoveAway(shown.form);
    EXPECT_EQ(panel->HoveredItem(), -1);
    EXPECT_NE(panel->cursor().shape(), Qt::PointingHandCursor);
}

TEST(ToolPanel, AnItemThatAppearsUnderTheRestingPointerClicks) {
    ShownPanel shown(200, 300);
    TToolPanel* panel = shown.panel;
    TToolPanelSection& section = panel->AddSection(QStringLiteral("Links"));
    section.SetHeight(80);
    section.AddItem(QStringLiteral("First"));
    const QRect second = panel->ItemRect(0, 0).translated(0, panel->ItemRect(0, 0).height());
    test::MoveTo(panel, second.center());
    section.AddItem(QStringLiteral("Second"));
    ASSERT_EQ(panel->ItemRect(0, 1), second);
    std::pair<int, int> clicked{-1, -1};
    panel->OnItemClick = [&](QObject*, int s, int i) { clicked = {s, i}; };
    test::MouseClick(panel, Qt::LeftButton, {}, second.center());
    EXPECT_EQ(clicked, std::make_pair(0, 1));
}

TEST(ToolPanel, AnAddedItemStaysReachableThroughItsReference) {
    TToolPanel panel;
    TToolPanelSection& section = panel.AddSection(QStringLiteral("Links"));
    TSectionItem& first = section.AddItem(QStringLiteral("First"));
    for (int i = 0; i < 40; ++i) {
        section.AddItem(QStringLiteral("More"));
    }
    first.Hint = QStringLiteral("Erste Seite");
    first.Enabled = false;
    EXPECT_EQ(section.SectionItems().front().Hint, QStringLiteral("Erste Seite"));
    EXPECT_FALSE(section.SectionItems().front().Enabled);
}

TEST(ToolPanel, NodeSectionsHideAndMoveChildren) {
    ShownPanel shown(200, 300);
    TToolPanel& panel = *shown.panel;
    TToolPanelSection& first = panel.AddSection(QStringLiteral("One"));
    first.SetHeight(80);
    first.SetNode(true);
    panel.AddSection(QStringLiteral("Two")).SetHeight(60);
    auto* inside = new TPanel(&panel);
    inside->SetBounds(10, 50, 50, 20);
    auto* below = new TPanel(&panel);
    below->SetBounds(10, 120, 50, 20);
    int collapsed = -1;
    int expanded = -1;
    panel.OnNodeCollapse = [&](QObject*, int s) { collapsed = s; };
    panel.OnNodeExpand = [&](QObject*, int s) { expanded = s; };
    // The node box sits at (Indent + 4, y + (16 - 8) div 2) = (8, 27).
    test::MouseClick(&panel, Qt::LeftButton, {}, {12, 31});
    EXPECT_FALSE(first.Expanded());
    EXPECT_EQ(first.Height(), 20);
    EXPECT_EQ(collapsed, 0);
    EXPECT_FALSE(inside->Visible());
    EXPECT_EQ(below->Top(), 60);
    panel.SetSectionExpanded(0, true);
    EXPECT_EQ(expanded, 0);
    EXPECT_EQ(first.Height(), 80);
    EXPECT_TRUE(inside->Visible());
    EXPECT_EQ(below->Top(), 120);
}

}  // namespace
}  // namespace vx
