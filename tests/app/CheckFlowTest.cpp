#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QLineEdit>
#include <QMouseEvent>
#include <QQuickWidget>
#include <QTest>
#include <QUrl>

#include "Application.h"
#include "Controls.h"
#include "Errors.h"
#include "GIFGraphic.h"
#include "GlowButton.h"
#include "GradientPanel.h"
#include "Layout.h"
#include "PictureControl.h"
#include "StdCtrls.h"
#include "Timer.h"
#include "Unit1.h"
#include "Unit2.h"
#include "WebBrowser.h"

namespace {

// The browser view without the web engine: it records what it is sent to and completes pages
// when told.
class TRecordingBrowser : public vx::TWebBrowser {
    Q_OBJECT
  public:
    using TWebBrowser::TWebBrowser;
    QStringList Urls;
    bool Fail = false;
    void Complete() { DocumentComplete(QUrl(Urls.back())); }

  protected:
    void CreateView() override {}
    void Load(const QUrl& url) override {
        if (Fail) {
            throw vx::EOleError("Navigation failed");
        }
        Urls << url.toString(QUrl::FullyEncoded);
    }
};

struct CheckFlow : ::testing::Test {
    std::vector<vx::TMessageBoxInfo> Boxes;
    std::unique_ptr<TForm1> Form;
    std::unique_ptr<TForm2> Info;
    TRecordingBrowser* Browser = nullptr;

    void SetUp() override {
        vx::RegisterControlClasses();
        vx::RegisterGIFImage();
        vx::RegisterWebBrowser();
        vx::TClassRegistry::Instance().RegisterControl<TRecordingBrowser>(
            QStringLiteral("TWebBrowser"));
        vx::Application->MessageBoxHook = [this](const vx::TMessageBoxInfo& info) {
            Boxes.push_back(info);
        };
        Form = std::make_unique<TForm1>();
        Form1 = Form.get();
        Info = std::make_unique<TForm2>();
        Form2 = Info.get();
        Browser = qobject_cast<TRecordingBrowser*>(Form->wb);
        Form->Show();
        QApplication::setActiveWindow(Form.get());
    }
    void TearDown() override {
        Form->DoDestroy();
        Form.reset();
        Info.reset();
        vx::Application->MessageBoxHook = nullptr;
    }

    // Types the address and clicks the check button, as a user does.
    void Check(const QString& address) {
        Form->Edit1->Line()->clear();
        for (const QChar ch : address) {
            if (ch.unicode() < 128) {
                QTest::keyClick(Form->Edit1->Line(), char(ch.unicode()));
            } else {
                QTest::sendKeyEvent(QTest::Click, Form->Edit1->Line(), Qt::Key_unknown, QString(ch),
                                    Qt::NoModifier);
            }
        }
        QTest::mouseClick(Form->GlowButton1, Qt::LeftButton, {}, QPoint(20, 10));
    }
    bool Overlay() const { return Form->GradientPanel2->Visible(); }
    bool Animating() const { return Form->PictureControl1->Animate(); }
    bool Delaying() const { return Form->Timer1->Enabled(); }
    QString SentAddress(int index = 0) const {
        const QString url = Browser->Urls.at(index);
        EXPECT_TRUE(url.startsWith(CheckServicePrefix()));
        return QUrl::fromPercentEncoding(url.mid(CheckServicePrefix().size()).toLatin1());
    }
};

TEST_F(CheckFlow, TheWindowIsBuiltFromItsLayout) {
    ASSERT_NE(Browser, nullptr);
    EXPECT_EQ(Form->Caption(), "Verinox 1.0");
    EXPECT_EQ(Form->ClientWidth(), 397);
    EXPECT_EQ(Form->ClientHeight(), 248);
    EXPECT_EQ(Form->GradientPanel2->geometry(), QRect(16, 72, 367, 113));
    EXPECT_EQ(Form->PictureControl1->geometry(), QRect(1, 1, 365, 111));
    EXPECT_FALSE(Overlay());
    EXPECT_FALSE(Delaying());
    EXPECT_EQ(Form->Timer1->Interval(), 3700);
    EXPECT_EQ(Info->Caption(), "Verinox 1.0 - Info");
    EXPECT_EQ(Info->ClientWidth(), 330);
    EXPECT_EQ(Info->ClientHeight(), 371);
    EXPECT_FALSE(Info->Visible());
    EXPECT_TRUE(CheckServicePrefix().startsWith("http://"));
    EXPECT_TRUE(CheckServicePrefix().endsWith("/tools/verinox/checkmail.php?email="));
}

TEST_F(CheckFlow, AnEmptyFieldOnlyShowsTheMessage) {
    Check(QString());
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Bitte erst eine Emailadresse eingeben");
    EXPECT_EQ(Boxes[0].Caption, "Verinox 1.0");
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::NoIcon);
    EXPECT_TRUE(Browser->Urls.isEmpty());
    EXPECT_FALSE(Overlay());
    EXPECT_FALSE(Animating());
}

TEST_F(CheckFlow, EnterChecksLikeTheButtonAndKeepsItsCharacter) {
    QLineEdit* field = Form->Edit1->Line();
    int returns = 0;
    QObject::connect(field, &QLineEdit::returnPressed, [&] { ++returns; });
    QTest::keyClicks(field, QStringLiteral("a@b.de"));
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(returns, 1) << "the carriage return goes on to the field";
    ASSERT_EQ(Browser->Urls.size(), 1);
    EXPECT_TRUE(Overlay());
    EXPECT_TRUE(Animating());
    EXPECT_FALSE(Delaying());
    EXPECT_FALSE(Form->PictureControl1->Picture()->Empty()) << "the busy picture lies beside us";
    EXPECT_TRUE(Form->PictureControl1->Animatable());
    QTest::keyClick(field, Qt::Key_X);
    QTest::keyClick(field, Qt::Key_Return, Qt::ControlModifier);
    QTest::keyClick(field, Qt::Key_Space);
    EXPECT_EQ(Browser->Urls.size(), 1) << "only a typed carriage return checks";
}

TEST_F(CheckFlow, TheAddressArrivesExactlyAsTyped) {
    const QStringList addresses = {QStringLiteral("max.mustermann+test@beispiel.de"),
                                   QStringLiteral(" a b&c=d#e%f "), QStringLiteral("   "),
                                   QStringLiteral("jürgen@straße.de")};
    for (const QString& address : addresses) {
        Check(address);
    }
    EXPECT_EQ(Browser->Urls[0], CheckServicePrefix() + "max.mustermann%2Btest%40beispiel.de");
    EXPECT_EQ(Browser->Urls[2], CheckServicePrefix() + "%20%20%20");
    for (int i = 0; i < addresses.size(); ++i) {
        EXPECT_EQ(SentAddress(i), addresses[i]);
    }
}

TEST_F(CheckFlow, DocumentCompleteTwiceArmsTheDelayOnce) {
    Check(QStringLiteral("a@b.de"));
    Browser->Complete();
    EXPECT_TRUE(Delaying());
    EXPECT_TRUE(Form->Timer1->Running());
    Browser->Complete();
    EXPECT_TRUE(Delaying());
    EXPECT_TRUE(Overlay());
    Form->Timer1->Tick();
    EXPECT_FALSE(Overlay());
    EXPECT_FALSE(Animating());
    EXPECT_FALSE(Delaying());
    EXPECT_EQ(Form->PictureControl1->HelperWnd(), nullptr);
}

TEST_F(CheckFlow, ASecondCheckDuringTheDelayDoesNotRestartIt) {
    Check(QStringLiteral("a@b.de"));
    Browser->Complete();
    Check(QStringLiteral("c@d.de"));
    EXPECT_EQ(Browser->Urls.size(), 2);
    EXPECT_TRUE(Overlay());
    EXPECT_TRUE(Animating());
    EXPECT_TRUE(Delaying()) << "a check leaves the timer alone";
    Form->Timer1->Tick();
    EXPECT_FALSE(Overlay()) << "hidden although the second page still loads";
    EXPECT_FALSE(Delaying());
    Browser->Complete();
    EXPECT_TRUE(Delaying());
    Form->Timer1->Tick();
    EXPECT_FALSE(Overlay());
    EXPECT_FALSE(Delaying());
}

TEST_F(CheckFlow, ASecondCheckWhileLoadingStartsTheAnimationAgain) {
    Check(QStringLiteral("a@b.de"));
    vx::THelperWnd* helper = Form->PictureControl1->HelperWnd();
    for (int i = 0; i < 30; ++i) {
        helper->Tick();
    }
    EXPECT_GT(Form->PictureControl1->Picture()->Frame(), 1);
    Check(QStringLiteral("c@d.de"));
    EXPECT_EQ(Form->PictureControl1->Picture()->Frame(), 0);
    EXPECT_EQ(Form->PictureControl1->HelperWnd(), helper);
    EXPECT_TRUE(Overlay());
    EXPECT_EQ(SentAddress(1), "c@d.de");
}

TEST_F(CheckFlow, AFailedNavigationLeavesTheOverlayUpAndShowsTheError) {
    Browser->Fail = true;
    Check(QStringLiteral("a@b.de"));
    ASSERT_EQ(Boxes.size(), 1u);
    EXPECT_EQ(Boxes[0].Text, "Navigation failed.");
    EXPECT_EQ(Boxes[0].Icon, QMessageBox::Critical);
    EXPECT_TRUE(Overlay());
    EXPECT_TRUE(Animating());
    EXPECT_FALSE(Delaying());
}

TEST_F(CheckFlow, ShowFocusesTheFieldAndTheButtonsCloseOrShowInfo) {
    EXPECT_EQ(Form->focusWidget(), Form->Edit1->Line());
    QTest::mouseClick(Form->GlowButton3, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_TRUE(Info->Visible());
    QTest::mouseClick(Form->GlowButton2, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_FALSE(Form->isVisible());
}

struct MouseHook : CheckFlow {
    QQuickWidget Document;
    QLineEdit Field;

    int Send(QWidget& target, QEvent::Type type, Qt::MouseButton button) {
        QMouseEvent event(type, QPointF(5, 5), QPointF(5, 5), button, button, Qt::NoModifier);
        const int before = Form->PopupMenu1->PopupCount();
        QCoreApplication::sendEvent(&target, &event);
        return Form->PopupMenu1->PopupCount() - before;
    }
};

TEST_F(MouseHook, RightButtonMessagesToTheDocumentOpenTheEmptyMenuInstead) {
    ASSERT_NE(HookHandle, nullptr);
    EXPECT_EQ(QByteArray(Document.metaObject()->className()), vx::kDocumentWindowClass);
    EXPECT_EQ(MouseHookProc(HC_ACTION, WM_RBUTTONDOWN, &Document), kSwallowMessage);
    EXPECT_EQ(Form->PopupMenu1->PopupPoint(), QCursor::pos());
    EXPECT_EQ(MouseHookProc(3, WM_RBUTTONUP, &Document), kSwallowMessage);
    EXPECT_EQ(Form->PopupMenu1->PopupCount(), 2);
    EXPECT_EQ(MouseHookProc(-1, WM_RBUTTONDOWN, &Document), 0);
    EXPECT_EQ(MouseHookProc(HC_ACTION, WM_LBUTTONDOWN, &Document), 0);
    EXPECT_EQ(MouseHookProc(HC_ACTION, WM_RBUTTONDBLCLK, &Document), 0);
    EXPECT_EQ(MouseHookProc(HC_ACTION, WM_RBUTTONDOWN, &Field), 0);
    EXPECT_EQ(Form->PopupMenu1->PopupCount(), 2);
}

TEST_F(MouseHook, TheFilterSeesEveryMouseMessageUntilTheWindowIsDestroyed) {
    EXPECT_EQ(Send(Document, QEvent::MouseButtonPress, Qt::RightButton), 1);
    EXPECT_EQ(Send(Document, QEvent::MouseButtonRelease, Qt::RightButton), 1);
    EXPECT_EQ(Send(Document, QEvent::MouseButtonPress, Qt::LeftButton), 0);
    EXPECT_EQ(Send(Field, QEvent::MouseButtonPress, Qt::RightButton), 0);
    // Filters of the window itself run after the application's: they see what passed.
    struct Arrivals : QObject {
        QList<QContextMenuEvent::Reason> Reasons;
        int DoubleClicks = 0;
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::ContextMenu) {
                Reasons << static_cast<QContextMenuEvent*>(event)->reason();
            }
            DoubleClicks += event->type() == QEvent::MouseButtonDblClick;
            return false;
        }
    } arrivals;
    Document.installEventFilter(&arrivals);
    QContextMenuEvent fromMouse(QContextMenuEvent::Mouse, QPoint(5, 5),
                                Document.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&Document, &fromMouse);
    QContextMenuEvent fromKeyboard(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                   Document.mapToGlobal(QPoint(5, 5)));
    QCoreApplication::sendEvent(&Document, &fromKeyboard);
    EXPECT_EQ(arrivals.Reasons, QList({QContextMenuEvent::Keyboard}));
    // The second right press of a double click arrives as a press and as a double click.
    EXPECT_EQ(Send(Document, QEvent::MouseButtonDblClick, Qt::RightButton), 0);
    EXPECT_EQ(Send(Field, QEvent::MouseButtonDblClick, Qt::RightButton), 0);
    EXPECT_EQ(Send(Document, QEvent::MouseButtonDblClick, Qt::LeftButton), 0);
    EXPECT_EQ(arrivals.DoubleClicks, 1) << "only the left one reaches the page";
    Document.removeEventFilter(&arrivals);
    Form->DoDestroy();
    EXPECT_EQ(HookHandle, nullptr);
    EXPECT_EQ(Send(Document, QEvent::MouseButtonPress, Qt::RightButton), 0);
}

}  // namespace

#include "CheckFlowTest.moc"
