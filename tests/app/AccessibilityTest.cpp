// Both windows as a screen reader reads them: the accessibility tree of the real windows, its
// names, roles, states and actions, and what it hears while the user works them.
#include <gtest/gtest.h>

#include <QtGui/private/qguiapplication_p.h>
#include <qpa/qplatformaccessibility.h>
#include <qpa/qplatformintegration.h>
#include <QAccessible>
#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "Controls.h"
#include "GIFGraphic.h"
#include "GlowButton.h"
#include "GradientPanel.h"
#include "Layout.h"
#include "PictureControl.h"
#include "QuietWindows.h"
#include "ShapeButton.h"
#include "StdCtrls.h"
#include "ToolPanels.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebBrowser.h"

namespace {

// What the screen reader heard: focus moves and state changes, by object.
struct THeard {
    QObject* Object;
    QAccessible::Event Type;
    QAccessible::State Changed;
};
std::vector<THeard>* gHeard = nullptr;

void Listen(QAccessibleEvent* event) {
    if (gHeard == nullptr) {
        return;
    }
    QAccessible::State changed;
    if (event->type() == QAccessible::StateChanged) {
        changed = static_cast<QAccessibleStateChangeEvent*>(event)->changedStates();
    }
    gHeard->push_back({event->object(), event->type(), changed});
}

QAccessibleInterface* Of(QObject* object) {
    return QAccessible::queryAccessibleInterface(object);
}

QStringList Actions(QObject* object) {
    return Of(object)->actionInterface()->actionNames();
}

// Every interface below `root`, as a screen reader walks the tree.
void Collect(QAccessibleInterface* root, std::vector<QAccessibleInterface*>& all) {
    for (int i = 0; i < root->childCount(); ++i) {
        QAccessibleInterface* child = root->child(i);
        all.push_back(child);
        Collect(child, all);
    }
}

QPlatformAccessibility* Platform() {
    return QGuiApplicationPrivate::platformIntegration()->accessibility();
}

struct Accessibility : QuietWindows {
    std::vector<THeard> Heard;
    QAccessible::UpdateHandler Previous = nullptr;

    void SetUp() override {
        QuietWindows::SetUp();
        gHeard = &Heard;
        Previous = QAccessible::installUpdateHandler(Listen);
        // As a screen reader's arrival does: the platform's accessibility turns active.
        Platform()->setActive(true);
    }
    void TearDown() override {
        Platform()->setActive(false);
        QAccessible::installUpdateHandler(Previous);
        gHeard = nullptr;
        QuietWindows::TearDown();
    }

    std::vector<THeard> HeardOf(QObject* object, QAccessible::Event type) const {
        std::vector<THeard> found;
        for (const THeard& h : Heard) {
            if (h.Object == object && h.Type == type) {
                found.push_back(h);
            }
        }
        return found;
    }
};

TEST_F(Accessibility, WindowsAndEveryButtonAndLinkInTheirTreesHaveNamesAndRoles) {
    QAccessibleInterface* main = Of(Main.get());
    EXPECT_EQ(main->role(), QAccessible::Window);
    EXPECT_EQ(main->text(QAccessible::Name), QStringLiteral("Verinox 1.0"));
    QAccessibleInterface* info = Of(Info.get());
    EXPECT_EQ(info->role(), QAccessible::Dialog);
    EXPECT_EQ(info->text(QAccessible::Name), QStringLiteral("Verinox 1.0 - Info"));

    std::map<QString, QAccessible::Role> named;
    for (QAccessibleInterface* root : {main, info}) {
        std::vector<QAccessibleInterface*> all;
        Collect(root, all);
        for (QAccessibleInterface* node : all) {
            if (node->role() == QAccessible::Button || node->role() == QAccessible::Link) {
                EXPECT_FALSE(node->text(QAccessible::Name).isEmpty())
                    << node->object()->objectName().toStdString();
                named[node->text(QAccessible::Name)] = node->role();
            }
        }
    }
    const std::map<QString, QAccessible::Role> expected = {
        {QStringLiteral("E-Mail-Adresse überprüfen"), QAccessible::Button},
        {QStringLiteral("Programminfo"), QAccessible::Button},
        {QStringLiteral("Schließen"), QAccessible::Button},
        {QStringLiteral("Hilfe"), QAccessible::Button},
        {QStringLiteral("www.verinox.example.com"), QAccessible::Link},
        {QStringLiteral("info@verinox.example.com"), QAccessible::Link},
    };
    EXPECT_EQ(named, expected);

    auto* label = Info->Find<vx::TLabel>(QStringLiteral("Label46"));
    EXPECT_EQ(Of(label)->role(), QAccessible::StaticText);
    EXPECT_EQ(Of(label)->text(QAccessible::Name), QStringLiteral("© 2026 Verinox"));
    EXPECT_EQ(Of(Main->Edit1->Line())->text(QAccessible::Name),
              QStringLiteral("Geben Sie bitte die zu prüfende E-Mail-Adresse ein:"));
    EXPECT_EQ(Of(Main->wb)->role(), QAccessible::Document);
    EXPECT_EQ(Of(Main->PictureControl1)->role(), QAccessible::Animation);
    auto* tool = Info->Find<vx::TToolPanel>(QStringLiteral("ToolPanel1"));
    EXPECT_EQ(Of(tool)->role(), QAccessible::Grouping);
    EXPECT_EQ(Of(tool)->text(QAccessible::Name), tool->Caption());
    auto* card = Info->Find<vx::TGradientPanel>(QStringLiteral("GradientPanel1"));
    EXPECT_EQ(Of(card)->role(), QAccessible::Grouping);
    card->Caption()->SetText(QStringLiteral("<b>Über</b> Verinox"));
    EXPECT_EQ(Of(card)->text(QAccessible::Name), QStringLiteral("Über Verinox"));
}

TEST_F(Accessibility, GlowButtonsOfferTheirAccessKeyAndPressLikeIt) {
    QAccessibleInterface* help = Of(Info->GlowButton1);
    EXPECT_EQ(help->text(QAccessible::Accelerator), QStringLiteral("Alt+H"));
    EXPECT_EQ(Of(Main->GlowButton1)->text(QAccessible::Accelerator), QStringLiteral("Alt+E"));
    ASSERT_TRUE(Actions(Info->GlowButton1).contains(QAccessibleActionInterface::pressAction()));
    EXPECT_EQ(
        help->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
        QStringList{QStringLiteral("Alt+H")});

    help->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(HelpPages.size(), 1);

    Info->GlowButton1->SetEnabled(false);
    EXPECT_TRUE(help->state().disabled);
    help->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(HelpPages.size(), 1) << "a disabled button does not press";
}

TEST_F(Accessibility, PressingAButtonIsHeardAsItGoesDownAndUp) {
    Info->Show();
    QApplication::setActiveWindow(Info.get());
    vx::TGlowButton* help = Info->GlowButton1;
    QAccessibleInterface* face = Of(help);
    EXPECT_FALSE(face->state().pressed);

    QTest::mousePress(help, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_TRUE(face->state().pressed);
    EXPECT_TRUE(face->state().focused);
    auto changes = HeardOf(help, QAccessible::StateChanged);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].Changed.pressed);

    QTest::mouseRelease(help, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_FALSE(face->state().pressed);
    changes = HeardOf(help, QAccessible::StateChanged);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_TRUE(changes[1].Changed.pressed);
    EXPECT_EQ(HelpPages.size(), 1);

    // Held with Space, the button is pressed too, and released it is up again.
    QTest::keyPress(help, Qt::Key_Space);
    EXPECT_TRUE(face->state().pressed);
    QTest::keyRelease(help, Qt::Key_Space);
    EXPECT_FALSE(face->state().pressed);
    EXPECT_EQ(HeardOf(help, QAccessible::StateChanged).size(), 4u);
    Info->Hide();
}

TEST_F(Accessibility, ATogglingButtonIsCheckableAndItsCheckIsHeard) {
    vx::TGlowButton* close = Info->GlowButton2;
    EXPECT_FALSE(Of(close)->state().checkable);
    close->SetGroupIndex(1);
    close->SetAllowAllUp(true);
    Heard.clear();
    close->SetDown(true);
    EXPECT_TRUE(Of(close)->state().checkable);
    EXPECT_TRUE(Of(close)->state().checked);
    auto changes = HeardOf(close, QAccessible::StateChanged);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].Changed.checked);
    close->SetDown(false);
    EXPECT_FALSE(Of(close)->state().checked);
    EXPECT_EQ(HeardOf(close, QAccessible::StateChanged).size(), 2u);
}

TEST_F(Accessibility, LinksAreNamedAfterWhatTheyOpenAndJumpThere) {
    QAccessibleInterface* web = Of(Info->ShapeButton1);
    EXPECT_EQ(web->role(), QAccessible::Link);
    EXPECT_TRUE(web->state().linked);
    EXPECT_EQ(web->text(QAccessible::Description),
              QStringLiteral("Webseite des Herstellers öffnen"));
    ASSERT_TRUE(Actions(Info->ShapeButton1).contains(QStringLiteral("jump")));
    web->actionInterface()->doAction(QStringLiteral("jump"));
    QAccessibleInterface* mail = Of(Info->ShapeButton2);
    EXPECT_EQ(mail->text(QAccessible::Description),
              QStringLiteral("E-Mail an den Hersteller schreiben"));
    mail->actionInterface()->doAction(QStringLiteral("jump"));
    ASSERT_EQ(Opened.size(), 2u);
    EXPECT_EQ(Opened[0], QUrl(QLatin1String(kWebSite)));
    EXPECT_EQ(Opened[1], MailUrl());
}

TEST_F(Accessibility, TabbingIsHeardAsFocusOnEveryStop) {
    Main->Show();
    QApplication::setActiveWindow(Main.get());
    QWidget* field = Main->Edit1->Line();
    ASSERT_EQ(QApplication::focusWidget(), field);
    Heard.clear();
    const std::vector<QWidget*> round = {Main->GlowButton1, Main->GlowButton3, Main->GlowButton2,
                                         field};
    for (QWidget* next : round) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), next);
        ASSERT_FALSE(Heard.empty());
        EXPECT_EQ(Heard.back().Object, next) << next->objectName().toStdString();
        EXPECT_EQ(Heard.back().Type, QAccessible::Focus);
        EXPECT_TRUE(Of(next)->state().focused);
        EXPECT_EQ(Of(Main.get())->focusChild()->object(), next);
    }
    Main->Hide();
}

TEST_F(Accessibility, TheBusyAnimationSaysWhetherItRunsAndIsHeardStartingAndStopping) {
    QAccessibleInterface* busy = Of(Main->PictureControl1);
    EXPECT_EQ(busy->text(QAccessible::Description), QStringLiteral("Kein Bild"));
    EXPECT_FALSE(busy->state().animated);

    Main->Show();
    QApplication::setActiveWindow(Main.get());
    QTest::keyClicks(Main->Edit1->Line(), QStringLiteral("a@b.de"));
    QTest::keyClick(Main->Edit1->Line(), Qt::Key_Return);
    EXPECT_TRUE(busy->state().animated);
    EXPECT_TRUE(busy->text(QAccessible::Description).endsWith(QStringLiteral("läuft")))
        << busy->text(QAccessible::Description).toStdString();
    auto changes = HeardOf(Main->PictureControl1, QAccessible::StateChanged);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_TRUE(changes[0].Changed.animated);

    Main->PictureControl1->SetAnimate(false);
    EXPECT_FALSE(busy->state().animated);
    EXPECT_TRUE(busy->text(QAccessible::Description).endsWith(QStringLiteral("angehalten")));
    EXPECT_EQ(HeardOf(Main->PictureControl1, QAccessible::StateChanged).size(), 2u);
    Main->Hide();
}

}  // namespace
