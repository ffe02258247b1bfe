#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QSettings>
#include <QTemporaryDir>
#include <QUrl>
#include <cmath>
#include <memory>

#include "Forms.h"
#include "GradientPanel.h"
#include "Layout.h"
#include "PanelTestSupport.h"
#include "RealInput.h"

namespace vx {
namespace {

using test::BandColor;
using test::Render;
using test::Rgb;

constexpr TColor kFrom = 16771030;
constexpr TColor kTo = 13007698;

class GradientPanelTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { RegisterGradientPanel(); }

    std::unique_ptr<TGradientPanel> Panel(int w, int h) {
        auto panel = std::make_unique<TGradientPanel>();
        panel->SetBounds(0, 0, w, h);
        return panel;
    }

    // A panel at (10, 10) on a window that is shown once the panel is set up (`Show`); the
    // window leaves room round the panel for the pointer and for moves.
    TGradientPanel* PanelOnWindow(int w, int h) {
        form = std::make_unique<TForm>();
        form->SetBounds(0, 0, 400, 300);
        auto* panel = new TGradientPanel(form.get());
        panel->SetBounds(10, 10, w, h);
        return panel;
    }
    void Show() { test::ShowActive(*form); }

    std::unique_ptr<TForm> form;
};

// The colour a banded panel gradient shows on row y of a rectangle `extent` rows high: the last
// band that covers the row, band i starting at round(i x bw) and trunc(bw) + 1 rows high.
QRgb PanelGradientRow(int y, int extent, int steps) {
    const double bw = extent / static_cast<double>(steps);
    for (int i = steps - 1; i >= 0; --i) {
        const int start = static_cast<int>(std::nearbyint(i * bw));
        const int end = std::min(extent, start + static_cast<int>(std::trunc(bw)) + 1);
        if (y >= start && y < end) {
            return BandColor(kFrom, kTo, steps, i);
        }
    }
    return 0;
}

TEST_F(GradientPanelTest, MainBackgroundHasSixtyFourBandsOnEveryRow) {
    auto panel = Panel(397, 249);
    panel->SetColor(kFrom);
    panel->SetColorTo(kTo);
    panel->SetBevelOuter(bvNone);
    const QImage image = Render(*panel);
    for (int y = 0; y < 249; ++y) {
        ASSERT_EQ(image.pixel(0, y), PanelGradientRow(y, 249, 64)) << "row " << y;
        ASSERT_EQ(image.pixel(396, y), image.pixel(0, y)) << "row " << y;
    }
    EXPECT_EQ(image.pixel(10, 0), Rgb(214, 231, 255));
    EXPECT_EQ(image.pixel(10, 4), Rgb(212, 229, 254));   // band 1 starts at round(3.89) = 4
    EXPECT_EQ(image.pixel(10, 245), Rgb(84, 125, 199));  // band 63 at round(245.1) = 245
    EXPECT_EQ(image.pixel(10, 248), Rgb(84, 125, 199));
    EXPECT_NE(image.pixel(10, 248), Rgb(kTo));
}

TEST_F(GradientPanelTest, BusyOverlayIsWhiteInsideALoweredBevel) {
    auto panel = Panel(367, 113);
    panel->SetColor(clWhite);
    panel->SetColorTo(clWhite);
    panel->SetBevelOuter(bvLowered);
    const QImage image = Render(*panel);
    const QRgb shadow = Rgb(clBtnShadow);
    const QRgb light = Rgb(clBtnHighlight);
    ASSERT_NE(shadow, light);
    for (int x = 0; x < 366; ++x) {
        EXPECT_EQ(image.pixel(x, 0), shadow) << x;
    }
    for (int y = 0; y < 112; ++y) {
        EXPECT_EQ(image.pixel(0, y), shadow) << y;
        EXPECT_EQ(image.pixel(366, y), light) << y;
    }
    for (int x = 0; x < 367; ++x) {
        EXPECT_EQ(image.pixel(x, 112), light) << x;
    }
    EXPECT_EQ(image.pixel(366, 0), light);
    EXPECT_EQ(image.pixel(0, 112), light);
    for (int y = 1; y < 112; ++y) {
        for (int x = 1; x < 366; ++x) {
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
        }
    }
}

TEST_F(GradientPanelTest, InfoCardIsAFlatFillInARaisedBevel) {
    auto panel = Panel(304, 303);
    panel->SetColor(clWhite);
    const QImage image = Render(*panel);
    EXPECT_EQ(image.pixel(0, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(image.pixel(302, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(image.pixel(0, 301), Rgb(clBtnHighlight));
    EXPECT_EQ(image.pixel(303, 0), Rgb(clBtnShadow));
    EXPECT_EQ(image.pixel(0, 302), Rgb(clBtnShadow));
    EXPECT_EQ(image.pixel(303, 302), Rgb(clBtnShadow));
    for (int y = 1; y < 302; ++y) {
        for (int x = 1; x < 303; ++x) {
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
        }
    }
}

TEST_F(GradientPanelTest, ClientChildSitsInsideTheBevel) {
    auto panel = Panel(367, 113);
    panel->SetBevelOuter(bvLowered);
    auto* child = new TPanel(panel.get());
    child->SetAlign(alClient);
    EXPECT_EQ(child->BoundsRect(), QRect(1, 1, 365, 111));
    panel->SetBorderWidth(3);
    EXPECT_EQ(child->BoundsRect(), QRect(4, 4, 359, 105));
}

TEST_F(GradientPanelTest, VisibleCaptionIsAFlatBandAndPushesAlignedChildrenDown) {
    auto panel = Panel(200, 100);
    panel->SetColor(clWhite);
    auto* child = new TPanel(panel.get());
    child->SetAlign(alTop);
    EXPECT_EQ(child->Top(), 1);
    panel->Caption()->SetVisible(true);
    EXPECT_EQ(child->Top(), 20);
    const QImage image = Render(*panel);
    for (int y = 1; y <= 18; ++y) {
        EXPECT_EQ(image.pixel(1, y), Rgb(clHighlight)) << y;
        EXPECT_EQ(image.pixel(198, y), Rgb(clHighlight)) << y;
    }
    EXPECT_EQ(image.pixel(1, 0), Rgb(clBtnHighlight));
    EXPECT_EQ(image.pixel(199, 10), Rgb(clBtnShadow));
    EXPECT_EQ(image.pixel(1, 19), qRgb(255, 255, 255));
    panel->StatusBar()->SetVisible(true);
    child->SetAlign(alBottom);
    EXPECT_EQ(child->Top() + child->Height(), 100 - 18);
}

TEST_F(GradientPanelTest, MirrorGradientSplitsAtTheMiddle) {
    auto panel = Panel(50, 101);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->SetColorTo(clWhite);
    panel->SetColorMirror(clBlack);
    panel->SetColorMirrorTo(clBlack);
    const QImage image = Render(*panel);
    EXPECT_EQ(image.pixel(5, 49), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(5, 50), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(5, 100), qRgb(0, 0, 0));
}

TEST_F(GradientPanelTest, MirrorGradientWithoutAFirstColourShowsAClearBuffer) {
    // The panel painted first leaves its picture in memory that the next buffer may reuse.
    auto earlier = Panel(50, 101);
    earlier->SetColor(clBlack);
    Render(*earlier);
    auto panel = Panel(50, 101);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clNone);
    panel->SetColorTo(clBlack);
    panel->SetColorMirror(clBlack);
    panel->SetColorMirrorTo(clBlack);
    const QImage image = Render(*panel);
    for (int y = 0; y < 101; y += 5) {
        for (int x = 0; x < 50; x += 7) {
            ASSERT_EQ(image.pixel(x, y), qRgb(255, 255, 255)) << x << "," << y;
        }
    }
}

TEST_F(GradientPanelTest, BorderWithShadowAndSizeGrip) {
    auto panel = Panel(60, 40);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->SetBorderWidth(1);
    panel->SetBorderShadow(true);
    panel->SetBorderColor(clBlack);
    QImage image = Render(*panel);
    EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(57, 20), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(20, 37), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(58, 20), Rgb(BlendColor(clBlack, clBtnFace, 50)));
    EXPECT_EQ(image.pixel(59, 20), Rgb(BlendColor(clBlack, clBtnFace, 20)));
    EXPECT_EQ(image.pixel(20, 38), Rgb(BlendColor(clBlack, clBtnFace, 50)));
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));

    panel->SetBorderShadow(false);
    panel->SetBorderWidth(0);
    panel->SetCanSize(true);
    image = Render(*panel);
    // The white lines of the grip run from (Right, Bottom - 12) to (Right - 12, Bottom).
    EXPECT_EQ(image.pixel(55, 33), qRgb(255, 255, 255));
    bool gray = false;
    for (int x = 45; x < 60; ++x) {
        for (int y = 25; y < 40; ++y) {
            gray = gray || image.pixel(x, y) == Rgb(clGray);
        }
    }
    EXPECT_TRUE(gray);
    panel->SetCollaps(true);
    image = Render(*panel);
    for (int x = 45; x < 60; ++x) {
        EXPECT_NE(image.pixel(x, 19), Rgb(clGray));
    }
}

TEST_F(GradientPanelTest, OnPaintDrawsLastWithOrWithoutBuffer) {
    auto panel = Panel(80, 60);
    panel->SetColorTo(clWhite);
    QRect paintedRect;
    panel->OnPaint = [&](QObject*, TCanvas& canvas, const QRect& r) {
        paintedRect = r;
        canvas.SetPixel(10, 10, clRed);
    };
    const QImage buffered = Render(*panel);
    EXPECT_EQ(paintedRect, QRect(0, 0, 80, 60));
    EXPECT_EQ(buffered.pixel(10, 10), qRgb(255, 0, 0));
    panel->SetBuffered(false);
    EXPECT_EQ(Render(*panel), buffered);
}

TEST_F(GradientPanelTest, PanelGradientBandsNarrowerThanAPixel) {
    QImage image(10, 1, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    {
        TCanvas canvas(&image);
        DrawPanelGradient(canvas, clBlack, clWhite, 64, TEdgeRect{0, 0, 10, 1}, true);
    }
    // bw = 10/64: each band one pixel at round(i x bw); the pixel shows the last band there.
    for (int x = 0; x < 10; ++x) {
        int last = 0;
        for (int i = 0; i < 64; ++i) {
            if (static_cast<int>(std::nearbyint(i * 10 / 64.0)) == x) {
                last = i;
            }
        }
        EXPECT_EQ(image.pixel(x, 0), BandColor(clBlack, clWhite, 64, last)) << x;
    }
    image.fill(Qt::magenta);
    {
        TCanvas canvas(&image);
        DrawPanelGradient(canvas, clRed, clBlue, 0, TEdgeRect{2, 0, 8, 1}, true);
    }
    EXPECT_EQ(image.pixel(1, 0), QColor(Qt::magenta).rgb());
    EXPECT_EQ(image.pixel(2, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(7, 0), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(8, 0), QColor(Qt::magenta).rgb());
}

TEST_F(GradientPanelTest, BlendColorMixesChannels) {
    EXPECT_EQ(BlendColor(clBtnFace, clBlack, 100), clBtnFace);
    EXPECT_EQ(BlendColor(RGB(200, 100, 0), RGB(0, 0, 100), 50), RGB(100, 50, 50));
    EXPECT_EQ(BlendColor(RGB(255, 0, 0), RGB(0, 0, 0), 20), RGB(51, 0, 0));
}

// ---- Layout values and the streamed full height

TEST_F(GradientPanelTest, LayoutKeepsTheStreamedFullHeight) {
    TForm form;
    TLayoutReader::Read(QStringLiteral("test"), R"(object Form1: TForm
  object GradientPanel1: TGradientPanel
    Left = 0
    Top = 0
    Width = 397
    Height = 249
    BevelOuter = bvNone
    Caption.Color = clHighlight
    Caption.ColorTo = clNone
    Caption.Flat = True
    Caption.Font.Color = clHighlightText
    Color = 16771030
    ColorTo = 13007698
    TabOrder = 0
    UseDockManager = True
    Version = '1.7.6.0'
    FullHeight = 0
  end
  object GradientPanel2: TGradientPanel
    Left = 16
    Top = 72
    Width = 367
    Height = 113
    BevelOuter = bvLowered
    Color = clWhite
    ColorTo = clWhite
    Visible = False
    Position.Location = clInifile
    FullHeight = 113
  end
end
)",
                        form);
    auto* background = form.Find<TGradientPanel>(QStringLiteral("GradientPanel1"));
    ASSERT_NE(background, nullptr);
    EXPECT_EQ(background->FullHeight(), 0);
    EXPECT_EQ(background->Height(), 249);
    EXPECT_EQ(background->ColorTo(), kTo);
    EXPECT_TRUE(background->Caption()->Flat());
    EXPECT_EQ(background->Caption()->ColorTo(), clNone);
    EXPECT_EQ(background->Version(), QStringLiteral("1.7.6.0"));
    auto* overlay = form.Find<TGradientPanel>(QStringLiteral("GradientPanel2"));
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->FullHeight(), 113);
    EXPECT_FALSE(overlay->Visible());
    EXPECT_EQ(overlay->Position()->Location(), gp::clInifile);
}

TEST_F(GradientPanelTest, DefaultsOfANewPanel) {
    TGradientPanel panel;
    EXPECT_EQ(panel.Width(), 185);
    EXPECT_EQ(panel.Height(), 41);
    EXPECT_EQ(panel.Color(), clBtnFace);
    EXPECT_EQ(panel.ColorTo(), clNone);
    EXPECT_EQ(panel.BevelOuter(), bvRaised);
    EXPECT_EQ(panel.URLColor(), clBlue);
    EXPECT_EQ(panel.ShadowColor(), clGray);
    EXPECT_EQ(panel.ShadowOffset(), 2);
    EXPECT_EQ(panel.CollapsDelay(), 20);
    EXPECT_EQ(panel.CollapsSteps(), 0);
    EXPECT_TRUE(panel.AutoHideChildren());
    EXPECT_TRUE(panel.Buffered());
    EXPECT_EQ(panel.Font()->Name(), QStringLiteral("Tahoma"));
    EXPECT_EQ(panel.Caption()->Font()->Name(), QStringLiteral("Tahoma"));
    panel.SetVersion(QStringLiteral("9"));
    EXPECT_EQ(panel.Version(), QStringLiteral("1.7.6.0"));
}

// ---- Collapse and expand

class RecordingPanel : public TGradientPanel {
  public:
    std::vector<int> Heights;
    std::function<void()> DuringStep;
    int StateChanges = 0;
    void StateChanged() override { ++StateChanges; }

  protected:
    void AnimationPause() override {
        Heights.push_back(Height());
        if (DuringStep) {
            DuringStep();
        }
    }
};

TEST_F(GradientPanelTest, CollapseAndExpandFireTheirEvents) {
    RecordingPanel panel;
    panel.SetBounds(0, 0, 100, 100);
    int minimized = 0;
    int maximized = 0;
    int ended = 0;
    panel.OnMinimize = [&](QObject*) { ++minimized; };
    panel.OnMaximize = [&](QObject*) { ++maximized; };
    panel.OnEndCollapsExpand = [&](QObject*) { ++ended; };
    panel.SetCollaps(true);
    EXPECT_EQ(panel.Height(), 20);
    EXPECT_EQ(panel.FullHeight(), 100);
    EXPECT_EQ(minimized, 1);
    EXPECT_EQ(panel.StateChanges, 1);
    EXPECT_EQ(ended, 1);
    EXPECT_TRUE(panel.Heights.empty());

    panel.SetCollaps(true);  // the same state: only the hook and the end event
    EXPECT_EQ(minimized, 1);
    EXPECT_EQ(panel.StateChanges, 2);
    EXPECT_EQ(ended, 2);

    panel.SetHeight(30);  // collapsed: FullHeight stays
    EXPECT_EQ(panel.FullHeight(), 100);
    panel.SetCollaps(false);
    EXPECT_EQ(maximized, 1);
    EXPECT_EQ(panel.Height(), 100);
    EXPECT_EQ(panel.StateChanges, 3);
    EXPECT_EQ(ended, 3);
    panel.SetHeight(120);
    EXPECT_EQ(panel.FullHeight(), 120);
}

TEST_F(GradientPanelTest, AnimatedCollapseStepsAndIgnoresNestedRequests) {
    RecordingPanel panel;
    panel.SetBounds(0, 0, 100, 100);
    panel.SetColor(clWhite);
    panel.SetCollapsSteps(4);
    panel.SetCollapsDelay(0);
    auto* child = new TPanel(&panel);
    int ended = 0;
    panel.OnEndCollapsExpand = [&](QObject*) { ++ended; };
    std::vector<TColor> colors;
    panel.DuringStep = [&] {
        colors.push_back(panel.Color());
        EXPECT_TRUE(panel.CollapsInProgress());
        panel.SetCollaps(false);
        panel.SetCollaps(true);
    };
    panel.SetCollaps(true);
    EXPECT_EQ(panel.Heights, (std::vector<int>{80, 60, 40, 20}));
    EXPECT_EQ(colors, std::vector<TColor>(4, clGray));
    EXPECT_EQ(panel.Height(), 20);
    EXPECT_EQ(panel.FullHeight(), 100);
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(panel.StateChanges, 1);
    EXPECT_FALSE(child->Visible());
    EXPECT_FALSE(panel.CollapsInProgress());

    panel.Heights.clear();
    colors.clear();
    panel.SetCollaps(false);
    EXPECT_EQ(panel.Heights, (std::vector<int>{40, 60, 80, 100}));
    EXPECT_EQ(colors, std::vector<TColor>(4, clWhite));
    EXPECT_EQ(panel.Height(), 100);
    EXPECT_TRUE(child->Visible());
    EXPECT_EQ(ended, 2);
}

TEST_F(GradientPanelTest, CollapseStopsWhenThePanelIsDestroyedDuringAStep) {
    auto* panel = new RecordingPanel;
    panel->SetBounds(0, 0, 100, 100);
    panel->SetCollapsSteps(4);
    panel->DuringStep = [panel] { delete panel; };
    panel->SetCollaps(true);
    SUCCEED();
}

TEST_F(GradientPanelTest, LeftCaptionCollapsesTheWidth) {
    TGradientPanel panel;
    panel.SetBounds(0, 0, 150, 80);
    panel.Caption()->SetPosition(gp::cpLeft);
    panel.SetWidth(160);
    EXPECT_EQ(panel.FullHeight(), 160);
    panel.SetCollaps(true);
    EXPECT_EQ(panel.Width(), 20);
    EXPECT_EQ(panel.Height(), 80);
    panel.SetCollaps(false);
    EXPECT_EQ(panel.Width(), 160);
}

// ---- Caption input

TEST_F(GradientPanelTest, CaptionButtonsCloseAndCollapse) {
    TGradientPanel* panel = PanelOnWindow(200, 100);
    panel->Caption()->SetVisible(true);
    panel->Caption()->SetCloseButton(true);
    panel->Caption()->SetMinMaxButton(true);
    int closed = 0;
    int clicks = 0;
    panel->OnClose = [&](QObject*) { ++closed; };
    panel->OnCaptionClick = [&](QObject*) { ++clicks; };
    Show();
    // Close square: right-top (R - 14, 2) to (R - 2, 14); minmax square 12 pixels further left.
    test::MouseClick(panel, Qt::LeftButton, {}, {180, 8});
    EXPECT_TRUE(panel->Collaps());
    EXPECT_EQ(panel->Height(), 20);
    EXPECT_EQ(clicks, 1);
    test::MouseClick(panel, Qt::LeftButton, {}, {50, 8});
    EXPECT_TRUE(panel->Collaps());
    EXPECT_EQ(clicks, 2);
    panel->Caption()->SetMinMaxCaption(true);
    test::MouseClick(panel, Qt::LeftButton, {}, {50, 8});
    EXPECT_FALSE(panel->Collaps());
    EXPECT_EQ(clicks, 3);
    test::MouseClick(panel, Qt::LeftButton, {}, {192, 8});
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(panel->Visible());
    EXPECT_EQ(clicks, 3);
}

TEST_F(GradientPanelTest, DoubleClickOnTheCaptionIsReportedOnce) {
    TGradientPanel* panel = PanelOnWindow(200, 100);
    panel->Caption()->SetVisible(true);
    int clicks = 0;
    int doubles = 0;
    panel->OnCaptionClick = [&](QObject*) { ++clicks; };
    panel->OnCaptionDBlClick = [&](QObject*) { ++doubles; };
    Show();
    test::MouseDClick(panel, Qt::LeftButton, {}, {50, 8});
    EXPECT_EQ(doubles, 1);
    EXPECT_EQ(clicks, 2);
    test::MouseDClick(panel, Qt::LeftButton, {}, {50, 60});
    EXPECT_EQ(doubles, 1);
}

TEST_F(GradientPanelTest, CloseButtonFreesThePanelWhenAsked) {
    QPointer<TGradientPanel> panel = PanelOnWindow(200, 100);
    panel->Caption()->SetVisible(true);
    panel->Caption()->SetCloseButton(true);
    panel->SetFreeOnClose(true);
    Show();
    test::MouseClick(panel.data(), Qt::LeftButton, {}, {192, 8});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(panel.isNull());
}

bool ShowsColour(const QImage& image, QRect area, QRgb colour) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (image.pixel(x, y) == colour) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(GradientPanelTest, HoverColoursFollowTheMouse) {
    TGradientPanel* panel = PanelOnWindow(200, 100);
    panel->Caption()->SetVisible(true);
    panel->Caption()->SetCloseButton(true);
    panel->Caption()->SetCloseButtonHoverColor(clRed);
    panel->Caption()->SetMinMaxButton(true);
    panel->Caption()->SetMinMaxButtonHoverColor(clLime);
    Show();
    const QRect closeSquare(186, 2, 12, 12);
    const QRect minMaxSquare(174, 2, 12, 12);
    test::MoveTo(panel, {192, 8});
    EXPECT_TRUE(panel->CloseHovered());
    QImage image = Render(*panel);
    EXPECT_TRUE(ShowsColour(image, closeSquare, qRgb(255, 0, 0)));
    EXPECT_FALSE(ShowsColour(image, minMaxSquare, qRgb(0, 255, 0)));
    test::MoveTo(panel, {180, 8});
    EXPECT_FALSE(panel->CloseHovered());
    image = Render(*panel);
    EXPECT_FALSE(ShowsColour(image, closeSquare, qRgb(255, 0, 0)));
    EXPECT_TRUE(ShowsColour(image, minMaxSquare, qRgb(0, 255, 0)));
    // Leaving the panel from a button clears its hover look.
    test::MoveAway(*form);
    image = Render(*panel);
    EXPECT_FALSE(ShowsColour(image, minMaxSquare, qRgb(0, 255, 0)));
}

TEST_F(GradientPanelTest, DraggingByTheCaptionIsNoCaptionClick) {
    TGradientPanel* panel = PanelOnWindow(200, 100);
    panel->Caption()->SetVisible(true);
    panel->Caption()->SetMinMaxCaption(true);
    panel->SetCanMove(true);
    panel->SetFixedTop(true);
    panel->SetShowMoveCursor(true);
    int ended = 0;
    int clicks = 0;
    panel->OnEndMoveSize = [&](QObject*) { ++ended; };
    panel->OnCaptionClick = [&](QObject*) { ++clicks; };
    Show();
    // Pressed at (50, 8) of the panel, dragged by (30, 22) on the window.
    test::MousePress(panel, Qt::LeftButton, {}, {50, 8});
    EXPECT_TRUE(panel->Moving());
    EXPECT_EQ(panel->cursor().shape(), Qt::SizeAllCursor);
    test::MoveTo(form.get(), {90, 40});
    EXPECT_EQ(panel->Left(), 40);
    EXPECT_EQ(panel->Top(), 10);
    test::MouseRelease(form.get(), Qt::LeftButton, {}, {90, 40});
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(clicks, 0);
    EXPECT_FALSE(panel->Collaps());
    // The next move ends the moving look.
    test::MoveTo(panel, {50, 50});
    EXPECT_FALSE(panel->Moving());
    EXPECT_NE(panel->cursor().shape(), Qt::SizeAllCursor);

    // A click that moves nothing is a caption click, and no end of a move.
    test::MouseClick(panel, Qt::LeftButton, {}, {50, 8});
    EXPECT_EQ(ended, 1);
    EXPECT_EQ(clicks, 1);
    EXPECT_TRUE(panel->Collaps());
}

TEST_F(GradientPanelTest, SizingByTheGripSetsFullHeight) {
    TGradientPanel* panel = PanelOnWindow(200, 100);
    panel->SetCanSize(true);
    int ended = 0;
    panel->OnEndMoveSize = [&](QObject*) { ++ended; };
    Show();
    test::MouseClick(panel, Qt::LeftButton, {}, {195, 95});
    EXPECT_EQ(ended, 0);
    test::MousePress(panel, Qt::LeftButton, {}, {195, 95});
    test::MoveTo(panel, {215, 125});
    EXPECT_EQ(panel->Width(), 220);
    EXPECT_EQ(panel->Height(), 130);
    EXPECT_EQ(panel->FullHeight(), 130);
    test::MouseRelease(panel, Qt::LeftButton, {}, {215, 125});
    EXPECT_EQ(ended, 1);
}

// ---- Formatted text

class UrlCatcher : public QObject {
    Q_OBJECT
  public:
    QList<QUrl> Urls;
  public slots:
    void Open(const QUrl& url) { Urls.push_back(url); }
};

TEST_F(GradientPanelTest, AnchorsOpenOrFireTheirEvent) {
    TGradientPanel* panel = PanelOnWindow(300, 100);
    panel->SetColor(clWhite);
    panel->SetText(
        QStringLiteral("<a href=\"help\">HelpHelpHelp</a><br>"
                       "<a href=\"https://example.org/\">SiteSiteSite</a>"));
    QString clicked;
    panel->OnAnchorClick = [&](QObject*, const QString& anchor) { clicked = anchor; };
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "Open");
    Show();
    const int line = QFontMetrics(panel->Font()->ToQFont()).height();
    test::MouseClick(panel, Qt::LeftButton, {}, {10, 6});
    EXPECT_EQ(clicked, QStringLiteral("help"));
    test::MouseClick(panel, Qt::RightButton, {}, {10, 1 + line + line / 2});
    ASSERT_EQ(catcher.Urls.size(), 1);
    EXPECT_EQ(catcher.Urls[0], QUrl(QStringLiteral("https://example.org/")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    const QImage image = Render(*panel);
    EXPECT_TRUE(ShowsColour(image, QRect(1, 1, 99, line - 1), qRgb(0, 0, 255)));
}

TEST_F(GradientPanelTest, AnchorsUnderThePointerShowTheirHandHintAndEvents) {
    TGradientPanel* panel = PanelOnWindow(300, 100);
    panel->SetColor(clWhite);
    panel->SetText(QStringLiteral("<a href=\"help\">HelpHelpHelp</a>"));
    panel->SetAnchorHint(true);
    panel->SetHover(true);
    panel->SetHoverFontColor(clRed);
    QStringList events;
    panel->OnAnchorEnter = [&](QObject*, const QString& a) { events << QStringLiteral("in ") + a; };
    panel->OnAnchorExit = [&](QObject*, const QString& a) { events << QStringLiteral("out ") + a; };
    panel->OnAnchorHint = [&](QObject*, QString& hint) { hint = QStringLiteral("Hilfe: ") + hint; };
    Show();
    const QRect firstLine(1, 1, 99, QFontMetrics(panel->Font()->ToQFont()).height() - 1);
    EXPECT_FALSE(ShowsColour(Render(*panel), firstLine, qRgb(255, 0, 0)));
    test::MoveTo(panel, {10, 6});
    EXPECT_EQ(events, QStringList{QStringLiteral("in help")});
    EXPECT_EQ(panel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(panel->toolTip(), QStringLiteral("Hilfe: help"));
    EXPECT_TRUE(ShowsColour(Render(*panel), firstLine, qRgb(255, 0, 0)));
    test::MoveTo(panel, {250, 80});
    EXPECT_EQ(events, (QStringList{QStringLiteral("in help"), QStringLiteral("out help")}));
    EXPECT_NE(panel->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(panel->toolTip(), QString());
    // Leaving the panel straight from an anchor leaves the anchor too.
    test::MoveTo(panel, {10, 6});
    test::MoveAway(*form);
    EXPECT_EQ(events.size(), 4);
    EXPECT_EQ(events.back(), QStringLiteral("out help"));
    EXPECT_FALSE(ShowsColour(Render(*panel), firstLine, qRgb(255, 0, 0)));
}

TEST_F(GradientPanelTest, CaptionAndStatusAnchorsAreLinksToo) {
    TGradientPanel* panel = PanelOnWindow(300, 100);
    panel->SetCanMove(true);
    panel->Caption()->SetVisible(true);
    panel->Caption()->SetText(QStringLiteral("<a href=\"cap\">CaptionCaption</a>"));
    panel->StatusBar()->SetVisible(true);
    panel->StatusBar()->SetText(QStringLiteral("<a href=\"status\">StatusStatus</a>"));
    QStringList clicked;
    panel->OnAnchorClick = [&](QObject*, const QString& anchor) { clicked << anchor; };
    Show();
    test::MouseClick(panel, Qt::LeftButton, {}, {10, 8});
    EXPECT_FALSE(panel->Moving());
    test::MouseClick(panel, Qt::LeftButton, {}, {10, 90});
    EXPECT_EQ(clicked, (QStringList{QStringLiteral("cap"), QStringLiteral("status")}));
    test::MousePress(panel, Qt::LeftButton, {}, {250, 8});
    EXPECT_TRUE(panel->Moving());
    test::MouseRelease(panel, Qt::LeftButton, {}, {250, 8});
}

TEST_F(GradientPanelTest, ShadowedTextCastsItsShadow) {
    auto panel = Panel(200, 60);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->SetShadowColor(clRed);
    panel->SetShadowOffset(3);
    const auto count = [&](QRgb color) {
        const QImage image = Render(*panel);
        int n = 0;
        for (int y = 0; y < 60; ++y) {
            for (int x = 0; x < 200; ++x) {
                n += image.pixel(x, y) == color ? 1 : 0;
            }
        }
        return n;
    };
    panel->SetText(QStringLiteral("Plain text"));
    EXPECT_EQ(count(qRgb(255, 0, 0)), 0);
    panel->SetText(QStringLiteral("<SHAD>Shadowed</SHAD> text"));
    EXPECT_GT(count(qRgb(255, 0, 0)), 10);
    panel->SetShadowColor(clNone);
    EXPECT_EQ(count(qRgb(255, 0, 0)), 0);
}

TEST_F(GradientPanelTest, TextIsPlacedByItsVerticalAlignment) {
    auto panel = Panel(200, 100);
    panel->SetBevelOuter(bvNone);
    panel->SetColor(clWhite);
    panel->Font()->SetColor(clBlack);
    panel->SetText(QStringLiteral("Xx"));
    const auto firstInkRow = [&] {
        const QImage image = Render(*panel);
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 200; ++x) {
                if (image.pixel(x, y) != qRgb(255, 255, 255)) {
                    return y;
                }
            }
        }
        return -1;
    };
    const int top = firstInkRow();
    ASSERT_GE(top, 0);
    EXPECT_LT(top, 10);
    panel->SetTextVAlign(gp::tvaBottom);
    EXPECT_GT(firstInkRow(), 80);
    panel->SetTextVAlign(gp::tvaCenter);
    const int center = firstInkRow();
    EXPECT_GT(center, 35);
    EXPECT_LT(center, 55);
}

TEST_F(GradientPanelTest, AutoSizeFitsTheText) {
    auto panel = Panel(50, 50);
    panel->SetBevelOuter(bvNone);
    panel->SetText(QStringLiteral("A much longer line than fifty pixels"));
    panel->AutoSize()->SetEnabled(true);
    TFormattedTextStyle style;
    style.Font = panel->Font()->ToQFont();
    const TFormattedText text(panel->Text(), style, 0);
    EXPECT_EQ(panel->Width(), text.Size().width());
    EXPECT_EQ(panel->Height(), text.Size().height());
    EXPECT_EQ(panel->FullHeight(), panel->Height());
}

// ---- Position persistence

TEST_F(GradientPanelTest, PositionIsKeptInAnIniFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("panels.ini"));
    {
        TGradientPanel panel;
        panel.Position()->SetSave(true);
        panel.Position()->SetKey(file);
        panel.Position()->SetSection(QStringLiteral("Info"));
        panel.Position()->SetLocation(gp::clInifile);
        panel.SetBounds(12, 34, 150, 90);
        panel.SetCollaps(true);
    }
    {
        QSettings ini(file, QSettings::IniFormat);
        EXPECT_EQ(ini.value(QStringLiteral("Info/Top")).toInt(), 34);
        EXPECT_EQ(ini.value(QStringLiteral("Info/FullHeight")).toInt(), 90);
        EXPECT_EQ(ini.value(QStringLiteral("Info/Height")).toInt(), 20);
    }
    TGradientPanel panel;
    panel.Loading();
    panel.Position()->SetSave(true);
    panel.Position()->SetKey(file);
    panel.Position()->SetSection(QStringLiteral("Info"));
    panel.Position()->SetLocation(gp::clInifile);
    panel.Loaded();
    EXPECT_EQ(panel.BoundsRect(), QRect(12, 34, 150, 20));
    EXPECT_TRUE(panel.Collaps());
    EXPECT_EQ(panel.FullHeight(), 90);
    panel.SetCollaps(false);
    EXPECT_EQ(panel.Height(), 90);
    panel.Position()->SetSave(false);
}

TEST_F(GradientPanelTest, PositionIsKeptInTheNativeStore) {
    QTemporaryDir dir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dir.path());
    const auto configure = [](TGradientPanel& panel) {
        panel.Position()->SetSave(true);
        panel.Position()->SetKey(QStringLiteral("VerinoxPanelTest"));
        panel.Position()->SetSection(QStringLiteral("Main"));
    };
    {
        TGradientPanel panel;
        configure(panel);
        panel.SetBounds(5, 6, 70, 80);
    }
    TGradientPanel panel;
    panel.Loading();
    configure(panel);
    panel.Loaded();
    EXPECT_EQ(panel.BoundsRect(), QRect(5, 6, 70, 80));
    EXPECT_FALSE(panel.Collaps());
    panel.Position()->SetSave(false);
}

}  // namespace
}  // namespace vx

#include "GradientPanelTest.moc"
