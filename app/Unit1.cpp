#include "Unit1.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QMouseEvent>
#include <QPointer>
#include <QUrl>

#include "Application.h"
#include "Canvas.h"
#include "Errors.h"
#include "GlowButton.h"
#include "GradientPanel.h"
#include "PictureControl.h"
#include "StdCtrls.h"
#include "Timer.h"
#include "Unit2.h"
#include "WebBrowser.h"

TForm1* Form1 = nullptr;
TMouseHook* HookHandle = nullptr;

namespace {

const char* const SEnterAddressFirst = "Bitte erst eine Emailadresse eingeben";
const char* const kBusyPicture = "img/check.gif";
const char* const kCheckPath = "/tools/verinox/checkmail.php";
const char* const kCheckQuery = "?email=";

// Installing fails only without an application to filter for.
TMouseHook* SetMouseHook() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        return nullptr;
    }
    auto* hook = new TMouseHook();
    app->installEventFilter(hook);
    return hook;
}

void UnhookMouseHook(TMouseHook* hook) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(hook);
    }
    delete hook;
}

// A message passed on reaches its window and the filters after this one.
int CallNextHook() {
    return 0;
}

}  // namespace

QString CheckServicePrefix() {
    return QStringLiteral("http://") + QStringLiteral(VERINOX_CHECK_HOST) +
           QLatin1String(kCheckPath) + QLatin1String(kCheckQuery);
}

QString CheckUrl(const QString& address) {
    return CheckServicePrefix() + QString::fromLatin1(QUrl::toPercentEncoding(address));
}

int MouseMessageOf(const QEvent& event) {
    struct Row {
        QEvent::Type Type;
        Qt::MouseButton Button;
        int Message;
    };
    static constexpr Row kMessages[] = {
        {QEvent::MouseButtonPress, Qt::LeftButton, WM_LBUTTONDOWN},
        {QEvent::MouseButtonRelease, Qt::LeftButton, WM_LBUTTONUP},
        {QEvent::MouseButtonDblClick, Qt::LeftButton, WM_LBUTTONDBLCLK},
        {QEvent::MouseButtonPress, Qt::RightButton, WM_RBUTTONDOWN},
        {QEvent::MouseButtonRelease, Qt::RightButton, WM_RBUTTONUP},
        {QEvent::MouseButtonDblClick, Qt::RightButton, WM_RBUTTONDBLCLK},
        {QEvent::MouseButtonPress, Qt::MiddleButton, WM_MBUTTONDOWN},
        {QEvent::MouseButtonRelease, Qt::MiddleButton, WM_MBUTTONUP},
        {QEvent::MouseButtonDblClick, Qt::MiddleButton, WM_MBUTTONDBLCLK},
    };
    if (event.type() == QEvent::MouseMove) {
        return WM_MOUSEMOVE;
    }
    if (event.type() != QEvent::MouseButtonPress && event.type() != QEvent::MouseButtonRelease &&
        event.type() != QEvent::MouseButtonDblClick) {
        return 0;
    }
    const Qt::MouseButton button = static_cast<const QMouseEvent&>(event).button();
    for (const Row& row : kMessages) {
        if (row.Type == event.type() && row.Button == button) {
            return row.Message;
        }
    }
    return 0;
}

int MouseHookProc(int code, int message, QObject* target) {
    const QPoint cursor = QCursor::pos();
    if (code < 0) {
        return CallNextHook();
    }
    if (message != WM_RBUTTONDOWN && message != WM_RBUTTONUP) {
        return CallNextHook();
    }
    const char* className = target != nullptr ? target->metaObject()->className() : "";
    if (qstrcmp(className, vx::kDocumentWindowClass) == 0) {
        if (Form1 != nullptr) {
            Form1->PopupMenu1->Popup(cursor.x(), cursor.y());
        }
        return kSwallowMessage;
    }
    return CallNextHook();
}

bool TMouseHook::eventFilter(QObject* watched, QEvent* event) {
    // Qt follows a right press with a context-menu event of its own, which the page's view would
    // answer with its menu; it belongs to the swallowed press. The keyboard's stays.
    if (event->type() == QEvent::ContextMenu &&
        static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Mouse) {
        return qstrcmp(watched->metaObject()->className(), vx::kDocumentWindowClass) == 0;
    }
    const int message = MouseMessageOf(*event);
    if (message == 0) {
        return false;
    }
    // The second right press of a double click comes twice: as a press, which the hook procedure
    // swallows, and as a double click, which would reach the page (and open its menu) behind it.
    if (message == WM_RBUTTONDBLCLK) {
        return qstrcmp(watched->metaObject()->className(), vx::kDocumentWindowClass) == 0;
    }
    try {
        return MouseHookProc(HC_ACTION, message, watched) != 0;
    } catch (const std::exception& error) {
        vx::HandleException(error);
        return true;
    }
}

TForm1::TForm1() {
    FHandlers.Add(QStringLiteral("FormCreate"), this, &TForm1::FormCreate);
    FHandlers.Add(QStringLiteral("FormDestroy"), this, &TForm1::FormDestroy);
    FHandlers.Add(QStringLiteral("FormShow"), this, &TForm1::FormShow);
    FHandlers.Add(QStringLiteral("Edit1KeyPress"), this, &TForm1::Edit1KeyPress);
    FHandlers.Add(QStringLiteral("GlowButton1Click"), this, &TForm1::GlowButton1Click);
    FHandlers.Add(QStringLiteral("wbDocumentComplete"), this, &TForm1::wbDocumentComplete);
    FHandlers.Add(QStringLiteral("Timer1Timer"), this, &TForm1::Timer1Timer);
    FHandlers.Add(QStringLiteral("GlowButton2Click"), this, &TForm1::GlowButton2Click);
    FHandlers.Add(QStringLiteral("GlowButton3Click"), this, &TForm1::GlowButton3Click);
    LoadLayout(QStringLiteral(":/layouts/Form1"));
}

TForm1::~TForm1() {
    if (Form1 == this) {
        Form1 = nullptr;
    }
}

void TForm1::Loaded() {
    Edit1 = Find<vx::TEdit>(QStringLiteral("Edit1"));
    GlowButton1 = Find<vx::TGlowButton>(QStringLiteral("GlowButton1"));
    GlowButton2 = Find<vx::TGlowButton>(QStringLiteral("GlowButton2"));
    GlowButton3 = Find<vx::TGlowButton>(QStringLiteral("GlowButton3"));
    wb = Find<vx::TWebBrowser>(QStringLiteral("wb"));
    GradientPanel2 = Find<vx::TGradientPanel>(QStringLiteral("GradientPanel2"));
    PictureControl1 = Find<vx::TPictureControl>(QStringLiteral("PictureControl1"));
    PopupMenu1 = Find<vx::TPopupMenu>(QStringLiteral("PopupMenu1"));
    Timer1 = Find<vx::TTimer>(QStringLiteral("Timer1"));
    // The field and the busy animation carry no name of their own: screen readers name the field
    // after the label above it, and the animation after what it stands for.
    if (const auto* label = Find<vx::TLabel>(QStringLiteral("Label1"))) {
        Edit1->Line()->setAccessibleName(vx::StripPrefix(label->Caption()).Text);
    }
    PictureControl1->setAccessibleName(QStringLiteral("Prüfung läuft"));
    vx::TForm::Loaded();
}

void TForm1::FormCreate(QObject*) {
    HookHandle = SetMouseHook();
}

void TForm1::FormDestroy(QObject*) {
    if (HookHandle != nullptr) {
        UnhookMouseHook(HookHandle);
        HookHandle = nullptr;
    }
}

void TForm1::FormShow(QObject*) {
    Edit1->SetFocus();
}

void TForm1::Edit1KeyPress(QObject*, QChar& Key) {
    if (Key == QChar(13)) {
        GlowButton1->Click();
    }
}

void TForm1::GlowButton1Click(QObject*) {
    if (Edit1->Text().isEmpty()) {
        vx::Application->MessageBox(QString::fromUtf8(SEnterAddressFirst));
        return;
    }
    const QString path = HelpFolder() + u'/' + QLatin1String(kBusyPicture);
    PictureControl1->Picture()->LoadFromFile(path);
    PictureControl1->SetAnimate(true);
    GradientPanel2->SetVisible(true);
    wb->Navigate(CheckUrl(Edit1->Text()));
    const QPointer<TForm1> self(this);
    vx::Application->ProcessMessages();
    if (self) {
        vx::Application->ProcessMessages();
    }
}

void TForm1::wbDocumentComplete(QObject*, const QUrl&) {
    Timer1->SetEnabled(true);
}

// The timer is disabled only at the end, after every pass of message processing.
void TForm1::Timer1Timer(QObject*) {
    const QPointer<TForm1> self(this);
    vx::Application->ProcessMessages();
    if (!self) {
        return;
    }
    PictureControl1->SetAnimate(false);
    vx::Application->ProcessMessages();
    if (!self) {
        return;
    }
    GradientPanel2->SetVisible(false);
    vx::Application->ProcessMessages();
    if (!self) {
        return;
    }
    Timer1->SetEnabled(false);
}

void TForm1::GlowButton2Click(QObject*) {
    Close();
}

void TForm1::GlowButton3Click(QObject*) {
    Form2->Show();
}
