#include <gtest/gtest.h>

#include <QSignalSpy>

#include "GradientPanel.h"
#include "PanelCaption.h"
#include "PanelTestSupport.h"

namespace vx {
namespace {

using test::Render;
using test::Rgb;

TEST(PanelCaption, DefaultsAndLightFloor) {
    TPanelCaption caption;
    EXPECT_FALSE(caption.Visible());
    EXPECT_EQ(caption.Height(), 20);
    EXPECT_EQ(caption.Color(), clHighlight);
    EXPECT_EQ(caption.ColorTo(), clNone);
    EXPECT_EQ(caption.GradientDirection(), gp::gdHorizontal);
    EXPECT_EQ(caption.Font()->Color(), clHighlightText);
    EXPECT_EQ(caption.CloseButtonColor(), clWhite);
    EXPECT_EQ(caption.ShadeGrain(), 32);
    caption.SetShadeLight(150);
    EXPECT_EQ(caption.ShadeLight(), 200);
    caption.SetShadeLight(230);
    EXPECT_EQ(caption.ShadeLight(), 230);
}

TEST(PanelCaption, NotificationsFollowTheirRules) {
    TPanelCaption caption;
    QSignalSpy changed(&caption, &TPanelCaption::Changed);
    QSignalSpy shade(&caption, &TPanelCaption::ShadeChanged);
    QSignalSpy state(&caption, &TPanelCaption::StateChanged);
    QSignalSpy position(&caption, &TPanelCaption::PositionChanged);
    caption.SetColor(clHighlight);  // unchanged: silent
    caption.SetHeight(20);
    EXPECT_EQ(changed.count(), 0);
    caption.SetColor(clRed);
    EXPECT_EQ(shade.count(), 1);
    EXPECT_EQ(changed.count(), 1);
    caption.SetColorTo(clNone);  // every assignment
    caption.SetColorTo(clNone);
    EXPECT_EQ(changed.count(), 3);
    caption.SetShadeType(gp::stNormal);
    EXPECT_EQ(shade.count(), 2);
    caption.SetVisible(false);
    EXPECT_EQ(state.count(), 1);
    EXPECT_EQ(changed.count(), 5);
    caption.SetPosition(gp::cpLeft);
    caption.SetPosition(gp::cpLeft);
    EXPECT_EQ(position.count(), 1);
    EXPECT_EQ(changed.count(), 5);
    caption.SetMinMaxCaption(true);
    caption.SetCloseButtonHoverColor(clRed);
    EXPECT_EQ(changed.count(), 5);
}

TEST(PanelCaption, CopyLeavesTextVisibilityAndPlace) {
    TPanelCaption source;
    source.SetText(QStringLiteral("Title"));
    source.SetVisible(true);
    source.SetPosition(gp::cpLeft);
    source.SetTopIndent(3);
    source.SetMinMaxCaption(true);
    source.SetIndent(4);
    source.SetColor(clRed);
    source.SetHeight(30);
    source.SetShadeType(gp::stHShade);
    TPanelCaption copy;
    copy.Assign(source);
    EXPECT_TRUE(copy.Text().isEmpty());
    EXPECT_FALSE(copy.Visible());
    EXPECT_EQ(copy.Position(), gp::cpTop);
    EXPECT_EQ(copy.TopIndent(), 0);
    EXPECT_FALSE(copy.MinMaxCaption());
    EXPECT_EQ(copy.Indent(), 4);
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_EQ(copy.Height(), 30);
    EXPECT_EQ(copy.ShadeType(), gp::stHShade);
}

TEST(PanelStatusBar, CopyTakesOnlyItsLook) {
    TPanelStatusBar source;
    source.SetVisible(true);
    source.SetHeight(30);
    source.SetText(QStringLiteral("x"));
    source.SetColor(clRed);
    source.SetBorderStyle(bsSingle);
    source.Font()->SetColor(clBlue);
    TPanelStatusBar copy;
    QSignalSpy changed(&copy, &TPanelStatusBar::Changed);
    copy.SetColor(clBtnFace);
    EXPECT_EQ(changed.count(), 0);
    copy.Assign(source);
    EXPECT_FALSE(copy.Visible());
    EXPECT_EQ(copy.Height(), 18);
    EXPECT_TRUE(copy.Text().isEmpty());
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_EQ(copy.BorderStyle(), bsSingle);
    EXPECT_EQ(copy.Font()->Color(), clBlue);
}

TEST(PanelCaption, ShadeFormulas) {
    TPanelCaption caption;
    caption.SetColor(clWhite);
    caption.SetShadeType(gp::stVShade);
    QImage shade = BuildShade(caption, 100, 50);
    ASSERT_EQ(shade.size(), QSize(100, 20));
    // Row y: 200 - (y x 239 div 20 + 8) div 4.
    EXPECT_EQ(qRed(shade.pixel(0, 0)), 198);
    EXPECT_EQ(qRed(shade.pixel(50, 10)), 200 - (10 * 239 / 20 + 8) / 4);
    caption.SetShadeType(gp::stHShade);
    shade = BuildShade(caption, 100, 50);
    EXPECT_EQ(qRed(shade.pixel(0, 5)), 200 - (239 + 8) / 2);
    EXPECT_EQ(qRed(shade.pixel(99, 5)), 200 - (239 * 1 / 100 + 8) / 2);
    caption.SetShadeType(gp::stHShadeInv);
    shade = BuildShade(caption, 100, 50);
    EXPECT_EQ(qRed(shade.pixel(1, 5)), 200 - (239 * 1 / 100 + 8) / 2);
    caption.SetColor(RGB(0, 128, 255));
    caption.SetShadeType(gp::stDiagShade);
    shade = BuildShade(caption, 100, 50);
    const int v = 200 - (200 - 255) / 2;
    EXPECT_EQ(shade.pixel(0, 0), qRgb(0, v * 128 / 255, v));
    caption.SetPosition(gp::cpLeft);
    shade = BuildShade(caption, 0, 0);
    EXPECT_EQ(shade.size(), QSize(20, 100));
    caption.SetShadeLight(300);  // low byte 44: values stay in range
    for (gp::TShadeType type : {gp::stNoise, gp::stHBump, gp::stLMetal, gp::stIRadial}) {
        caption.SetShadeType(type);
        EXPECT_EQ(BuildShade(caption, 60, 60, 7), BuildShade(caption, 60, 60, 7));
    }
}

TEST(PanelCaption, ShadedBarIsDrawnFromTheShadePicture) {
    TGradientPanel panel;
    panel.SetBounds(0, 0, 100, 60);
    panel.SetColor(clWhite);
    panel.Caption()->SetVisible(true);
    panel.Caption()->SetColor(clWhite);
    panel.Caption()->SetShadeType(gp::stVShade);
    panel.Caption()->SetFlat(true);
    const QImage image = Render(panel);
    // Band from (1,1); the shade's first row has brightness 198 of white.
    EXPECT_EQ(image.pixel(5, 1), qRgb(198, 198, 198));
    panel.Caption()->SetFlat(false);
    const QImage edged = Render(panel);
    EXPECT_EQ(edged.pixel(5, 1), qRgb(255, 255, 255));
    EXPECT_EQ(edged.pixel(5, 2), qRgb(198, 198, 198));
}

TEST(PanelCaption, BitmapBarWithoutPictureShowsThePanel) {
    TGradientPanel panel;
    panel.SetBounds(0, 0, 100, 60);
    panel.SetColor(clWhite);
    panel.Caption()->SetVisible(true);
    panel.Caption()->SetCloseButton(true);
    panel.Caption()->SetCloseButtonColor(clBlack);
    for (gp::TShadeType type : {gp::stBitmap, gp::stBitmapRStretch, gp::stBitmapLStretch}) {
        panel.Caption()->SetShadeType(type);
        const QImage image = Render(panel);
        EXPECT_EQ(image.pixel(20, 10), qRgb(255, 255, 255));
        bool cross = false;
        for (int x = 80; x < 99; ++x) {
            for (int y = 1; y < 19; ++y) {
                cross = cross || image.pixel(x, y) == qRgb(0, 0, 0);
            }
        }
        EXPECT_TRUE(cross);
    }
}

TEST(PanelCaption, LeftCaptionIsAColumn) {
    TGradientPanel panel;
    panel.SetBounds(0, 0, 100, 60);
    panel.SetColor(clWhite);
    panel.Caption()->SetVisible(true);
    panel.Caption()->SetPosition(gp::cpLeft);
    panel.Caption()->SetText(QStringLiteral("Side"));
    auto* child = new TPanel(&panel);
    child->SetAlign(alClient);
    EXPECT_EQ(child->Left(), 20);
    const QImage image = Render(panel);
    EXPECT_EQ(image.pixel(18, 2), Rgb(clHighlight));
    EXPECT_EQ(image.pixel(19, 2), qRgb(255, 255, 255));
    int ink = 0;
    for (int y = 1; y < 59; ++y) {
        for (int x = 1; x < 19; ++x) {
            ink += image.pixel(x, y) != Rgb(clHighlight) ? 1 : 0;
        }
    }
    EXPECT_GT(ink, 10);
}

TEST(PanelStatusBar, BarWithoutColourStillDrawsBorderAndEdge) {
    TGradientPanel panel;
    panel.SetBounds(0, 0, 100, 60);
    panel.SetColor(clWhite);
    panel.StatusBar()->SetVisible(true);
    panel.StatusBar()->SetColor(clNone);
    panel.StatusBar()->SetBorderStyle(bsSingle);
    panel.StatusBar()->SetBorderColor(clRed);
    QImage image = Render(panel);
    // S = (1, 41, 99, 59): background untouched, outline from (0, 41) to (100, 60).
    EXPECT_EQ(image.pixel(50, 50), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(50, 41), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(0, 50), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(99, 50), qRgb(255, 0, 0));
    panel.StatusBar()->SetBorderStyle(bsNone);
    panel.StatusBar()->SetBevelInner(true);
    image = Render(panel);
    EXPECT_EQ(image.pixel(50, 41), Rgb(clGray));
    EXPECT_EQ(image.pixel(50, 58), qRgb(255, 255, 255));
    panel.StatusBar()->SetColor(clBlue);
    panel.StatusBar()->SetColorTo(clRed);
    image = Render(panel);
    EXPECT_EQ(image.pixel(2, 50), qRgb(0, 0, 255));
}

}  // namespace
}  // namespace vx
