// Both windows on a screen of device pixel ratio 2 (the program runs with QT_SCALE_FACTOR=2): the
// painted controls draw at full resolution, none through a buffer of one pixel per unit that is
// scaled up.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>

#include "Controls.h"
#include "GIFGraphic.h"
#include "GlowButton.h"
#include "GradientPanel.h"
#include "Layout.h"
#include "QuietWindows.h"
#include "ToolPanels.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebBrowser.h"

namespace {

// A picture scaled up from one pixel per unit repeats every pixel in an aligned 2 × 2 block; one
// drawn at full resolution has blocks whose pixels differ (edges of text, smoothed curves,
// gradients stepping per device pixel).
int MixedBlocks(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    int mixed = 0;
    for (int y = 0; y + 1 < rgb.height(); y += 2) {
        const auto* top = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        const auto* bottom = reinterpret_cast<const QRgb*>(rgb.constScanLine(y + 1));
        for (int x = 0; x + 1 < rgb.width(); x += 2) {
            if (top[x] != top[x + 1] || top[x] != bottom[x] || top[x] != bottom[x + 1]) {
                ++mixed;
            }
        }
    }
    return mixed;
}

// The control's own paint: its children hidden while it is grabbed.
QImage OwnPaint(QWidget* control) {
    std::vector<QWidget*> hidden;
    for (QWidget* child : control->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->isVisible()) {
            child->hide();
            hidden.push_back(child);
        }
    }
    const QImage image = control->grab().toImage();
    for (QWidget* child : hidden) {
        child->show();
    }
    return image;
}

std::string Where(const QWidget* control) {
    return (control->window()->objectName() + QLatin1Char('.') + control->objectName())
        .toStdString();
}

struct HighDensity : QuietWindows {
    void SetUp() override {
        QuietWindows::SetUp();
        Main->Show();
        Info->Show();
    }

    std::vector<vx::TGradientPanel*> GradientPanels() const {
        return {Main->findChild<vx::TGradientPanel*>(QStringLiteral("GradientPanel1")),
                Main->GradientPanel2,
                Info->findChild<vx::TGradientPanel*>(QStringLiteral("GradientPanel1"))};
    }
};

TEST_F(HighDensity, GlowButtonsAndTheToolPanelDrawAtFullResolution) {
    ASSERT_EQ(Main->devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
    std::vector<QWidget*> controls;
    for (vx::TForm* form :
         {static_cast<vx::TForm*>(Main.get()), static_cast<vx::TForm*>(Info.get())}) {
        for (auto* button : form->findChildren<vx::TGlowButton*>()) {
            controls.push_back(button);
        }
    }
    controls.push_back(Info->findChild<vx::TToolPanel*>(QStringLiteral("ToolPanel1")));
    ASSERT_EQ(controls.size(), 6u);
    for (QWidget* control : controls) {
        const QImage image = OwnPaint(control);
        ASSERT_EQ(image.size(), control->size() * 2);
        EXPECT_GT(MixedBlocks(image), 0)
            << control->objectName().toStdString() << " is drawn at one pixel per unit";
    }
}

// The panels' own faces are all straight edges and bands a unit wide; their text shows the
// resolution their paint buffer has.
TEST_F(HighDensity, GradientPanelsOfBothWindowsDrawTheirTextAtFullResolution) {
    Main->GradientPanel2->SetVisible(true);
    for (vx::TGradientPanel* panel : GradientPanels()) {
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(panel->Buffered());
        panel->SetText(QStringLiteral("Verinox prüft"));
        const QImage buffered = OwnPaint(panel);
        ASSERT_EQ(buffered.size(), panel->size() * 2);
        EXPECT_GT(MixedBlocks(buffered), 0)
            << Where(panel) << ": the panel's buffer is drawn at one pixel per unit";
        panel->SetBuffered(false);
        const QImage direct = OwnPaint(panel);
        panel->SetBuffered(true);
        EXPECT_EQ(buffered.convertToFormat(QImage::Format_RGB32),
                  direct.convertToFormat(QImage::Format_RGB32))
            << Where(panel);
    }
}

}  // namespace
