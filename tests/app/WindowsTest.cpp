// The two windows as their layouts build them, and the info dialog's handlers.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "Colors.h"
#include "Controls.h"
#include "GIFGraphic.h"
#include "GlowButton.h"
#include "GradientPanel.h"
#include "Layout.h"
#include "PictureControl.h"
#include "QtPrinters.h"
#include "QuietWindows.h"
#include "ShapeButton.h"
#include "StdCtrls.h"
#include "ToolPanels.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebBrowser.h"

namespace {

using Windows = QuietWindows;

TEST_F(Windows, AddressCheckWindowIsFixedWithItsControlsAtTheirPlaces) {
    EXPECT_EQ(Main->Caption(), QStringLiteral("Verinox 1.0"));
    EXPECT_EQ(Main->ClientWidth(), 397);
    EXPECT_EQ(Main->ClientHeight(), 248);
    EXPECT_EQ(Main->minimumSize(), Main->maximumSize());
    EXPECT_FALSE(Main->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(Main->GlowButton1->BoundsRect(), QRect(15, 203, 154, 22));
    EXPECT_EQ(Main->GlowButton3->BoundsRect(), QRect(175, 203, 100, 22));
    EXPECT_EQ(Main->GlowButton2->BoundsRect(), QRect(282, 203, 100, 22));
    EXPECT_EQ(Main->GradientPanel2->BoundsRect(), QRect(16, 72, 367, 113));
    EXPECT_EQ(Main->GradientPanel2->parentWidget(), Main.get());
    EXPECT_EQ(Main->Edit1->BoundsRect(), QRect(15, 36, 367, 21));
    EXPECT_EQ(Main->PictureControl1->BoundsRect(), QRect(1, 1, 365, 111));
}

TEST_F(Windows, TabRunsFieldCheckInfoCloseAndNeverIntoTheBrowserView) {
    Main->Show();
    QApplication::setActiveWindow(Main.get());
    // The view makes its page's widget after the tab order was chained.
    auto* page = new QLineEdit(Main->wb);
    page->show();
    QWidget* field = Main->Edit1->Line();
    ASSERT_EQ(QApplication::focusWidget(), field);
    const std::vector<QWidget*> round = {Main->GlowButton1, Main->GlowButton3, Main->GlowButton2,
                                         field};
    for (QWidget* next : round) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    QTest::keyClick(field, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), Main->GlowButton2);
    Main->Hide();
}

TEST_F(Windows, TabRunsRoundTheInfoDialogsToolPanelAndButtons) {
    Info->Show();
    QApplication::setActiveWindow(Info.get());
    Info->GlowButton1->SetFocus();
    // The tool panel is a tab stop too, though its caption bar lies outside the dialog.
    const std::vector<QWidget*> round = {Info->Find<vx::TToolPanel>(QStringLiteral("ToolPanel1")),
                                         Info->GlowButton2, Info->GlowButton1};
    for (QWidget* next : round) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    Info->Hide();
}

TEST_F(Windows, EveryGlowButtonCarriesTheStoredAppearance) {
    for (vx::TGlowButton* button : {Main->GlowButton1, Main->GlowButton2, Main->GlowButton3,
                                    Info->GlowButton1, Info->GlowButton2}) {
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->Appearance()->ColorHot(), 16117985) << button->Name().toStdString();
        EXPECT_EQ(button->Appearance()->BorderColorHot(), 16367008);
        EXPECT_EQ(button->Appearance()->ColorMirrorDisabledTo(), 15921906);
        EXPECT_TRUE(button->TabStop());
    }
    EXPECT_EQ(Main->GlowButton1->Caption(), QStringLiteral("&E-Mail-Adresse überprüfen"));
    EXPECT_EQ(Info->GlowButton1->Caption(), QStringLiteral("&Hilfe"));
    EXPECT_EQ(Info->GlowButton2->Caption(), QStringLiteral("&Schließen"));
}

TEST_F(Windows, InfoDialogLayout) {
    EXPECT_EQ(Info->Caption(), QStringLiteral("Verinox 1.0 - Info"));
    EXPECT_EQ(Info->ClientWidth(), 330);
    EXPECT_EQ(Info->ClientHeight(), 371);
    EXPECT_EQ(Info->BorderStyle(), vx::bsDialog);
    EXPECT_EQ(Info->Position(), vx::poMainFormCenter);
    EXPECT_TRUE(Info->KeyPreview());
    EXPECT_FALSE(Info->Visible());
    auto* tool = Info->Find<vx::TToolPanel>(QStringLiteral("ToolPanel1"));
    ASSERT_NE(tool, nullptr);
    EXPECT_EQ(tool->BoundsRect(), QRect(-4, -80, 404, 521));
    EXPECT_EQ(tool->ColorTo(), 13007698);
    auto* card = Info->Find<vx::TGradientPanel>(QStringLiteral("GradientPanel1"));
    ASSERT_NE(card, nullptr);
    EXPECT_EQ(card->BoundsRect(), QRect(18, 98, 304, 303));
    EXPECT_EQ(card->Color(), vx::clWhite);
    for (vx::TShapeButton* link : {Info->ShapeButton1, Info->ShapeButton2}) {
        ASSERT_NE(link, nullptr);
        EXPECT_EQ(link->Cursor(), vx::crHandPoint);
        EXPECT_TRUE(link->Picture()->Empty());
        EXPECT_EQ(link->parentWidget(), card);
    }
    EXPECT_EQ(Info->ShapeButton1->BoundsRect(), QRect(56, 216, 201, 20));
    EXPECT_EQ(Info->ShapeButton2->BoundsRect(), QRect(64, 254, 193, 19));
    auto* label = Info->Find<vx::TLabel>(QStringLiteral("Label46"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Font()->Height(), -9);
    EXPECT_EQ(label->Font()->Color(), 5789784);
    EXPECT_TRUE(label->Transparent());
}

TEST_F(Windows, ProductPictureLoadsFromTheLayoutRecord) {
    auto* image = Info->Find<vx::TImage>(QStringLiteral("Image1"));
    ASSERT_NE(image, nullptr);
    auto* gif = qobject_cast<vx::TGIFImage*>(image->Picture()->Graphic());
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(gif->ClassName(), QStringLiteral("TGIFImage"));
    EXPECT_EQ(gif->Width(), 250);
    EXPECT_EQ(gif->Height(), 248);
    EXPECT_EQ(image->BoundsRect(), QRect(27, 20, 250, 248));
    ASSERT_EQ(gif->Image().FrameCount(), 1);
    const QList<QRgb> palette = gif->Palette();
    ASSERT_EQ(palette.size(), 256);
    EXPECT_EQ(gif->Image().Frame(0).FTransColor, vx::FromQColor(QColor(palette[254])));
    EXPECT_TRUE(gif->ShowsTransparency());
}

TEST_F(Windows, EscapeHidesTheDialogWhicheverControlHasTheFocus) {
    for (vx::TGlowButton* focus : {Info->GlowButton1, Info->GlowButton2}) {
        Info->Show();
        QApplication::setActiveWindow(Info.get());
        focus->SetFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(Info->Visible());
        EXPECT_FALSE(Info->isVisible());
    }
    // Shown again, it is the same dialog as before.
    Info->Show();
    EXPECT_TRUE(Info->isVisible());
    EXPECT_EQ(Form2, Info.get());
}

void ClickOn(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

TEST_F(Windows, CloseButtonOnlyHides) {
    Info->Show();
    ClickOn(Info->GlowButton2);
    EXPECT_FALSE(Info->isVisible());
    EXPECT_NE(Info->Find<vx::TToolPanel>(QStringLiteral("ToolPanel1")), nullptr);
}

TEST_F(Windows, EveryHelpClickStartsAHelpBrowser) {
    Info->Show();
    for (int i = 0; i < 3; ++i) {
        ClickOn(Info->GlowButton1);
    }
    ASSERT_EQ(HelpPages.size(), 3);
    EXPECT_TRUE(HelpPages[0].endsWith(QStringLiteral("hilfe/hilfe.html")));
    Info->Hide();
}

TEST_F(Windows, LinksOpenTheWebSiteAndAPreAddressedMail) {
    Info->Show();
    ClickOn(Info->ShapeButton1);
    ClickOn(Info->ShapeButton2);
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_EQ(Opened[0].toString(), QStringLiteral("http://www.verinox.example.com/"));
    // No raw non-ASCII in the URI: the subject is percent-encoded UTF-8.
    EXPECT_EQ(
        Opened[1].toString(QUrl::FullyEncoded),
        QStringLiteral(
            "mailto:info@verinox.example.com?subject=Infos%20%C3%BCber%20Softwareentwicklung"));
    Info->Hide();
}

TEST_F(Windows, InfoButtonShowsTheDialogAndBringsItToTheFront) {
    Main->Show();
    ClickOn(Main->GlowButton3);
    EXPECT_TRUE(Info->isVisible());
    ClickOn(Main->GlowButton3);
    EXPECT_TRUE(Info->isVisible());
    Main->Hide();
}

}  // namespace
