#include "Application.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <cstdio>

#include "Control.h"
#include "Errors.h"
#include "Forms.h"

namespace vx {

TApplication* Application = nullptr;

QString ErrorBoxText(const QString& message) {
    if (!message.isEmpty() && message.back() > u'.') {
        return message + u'.';
    }
    return message;
}

void HandleException(const std::exception& error) {
    if (Application != nullptr) {
        Application->HandleException(error);
    } else {
        std::fprintf(stderr, "%s\n", error.what());
    }
}

TApplication::TApplication() {
    Application = this;
    qApp->installEventFilter(this);
}

TApplication::~TApplication() {
    DestroyForms();
    qApp->removeEventFilter(this);
    if (Application == this) {
        Application = nullptr;
    }
}

void TApplication::Initialize() {
    QApplication::setQuitOnLastWindowClosed(false);
}

void TApplication::AddForm(TForm* form) {
    FForms.emplace_back(form);
    if (FMainForm == nullptr) {
        FMainForm = form;
    }
}

int TApplication::Run() {
    if (FMainForm == nullptr) {
        return 0;
    }
    FMainForm->Show();
    const int result = QApplication::exec();
    DestroyForms();
    return result;
}

void TApplication::ProcessMessages() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::Terminate() {
    QCoreApplication::quit();
}

void TApplication::DestroyForms() {
    while (!FForms.empty()) {
        QPointer<TForm> form = FForms.back();
        FForms.pop_back();
        if (form) {
            try {
                form->DoDestroy();
            } catch (const std::exception& error) {
                HandleException(error);
            }
            delete form.data();
        }
    }
    FMainForm = nullptr;
}

void TApplication::ShowBox(const TMessageBoxInfo& info) {
    if (MessageBoxHook) {
        MessageBoxHook(info);
        return;
    }
    QMessageBox box(info.Icon, info.Caption, info.Text, QMessageBox::Ok);
    box.adjustSize();
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        box.move(area.center() - box.rect().center());
    }
    box.exec();
}

void TApplication::MessageBox(const QString& text) {
    ShowBox({FTitle, text, QMessageBox::NoIcon});
}

void TApplication::ShowException(const QString& message) {
    ShowBox({FTitle, ErrorBoxText(message), QMessageBox::Critical});
}

void TApplication::HandleException(const std::exception& error) {
    ShowException(QString::fromUtf8(error.what()));
}

namespace {

// The control that stands for a focused widget (an edit's inner line, say).
TControl* ControlOf(QWidget* widget) {
    for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        if (auto* control = qobject_cast<TControl*>(w)) {
            return control;
        }
    }
    return nullptr;
}

// The character a key press types, as the window system reports it: Enter is a carriage return,
// Ctrl+Enter a line feed (so it does not count as Enter), Alt+letter the letter for access keys.
QChar CharOf(const QKeyEvent& e, TKey key) {
    if (key == VK_RETURN) {
        return e.modifiers().testFlag(Qt::ControlModifier) ? QChar(10) : QChar(13);
    }
    if (key == VK_ESCAPE) {
        return QChar(27);
    }
    if (key == VK_BACK) {
        return QChar(8);
    }
    if (!e.text().isEmpty() && e.text()[0].isPrint()) {
        return e.text()[0];
    }
    if (e.modifiers().testFlag(Qt::AltModifier) && key >= 'A' && key <= 'Z') {
        return QChar(key).toLower();
    }
    return {};
}

// Keys the window may take for itself (default and cancel buttons, focus moves) before the
// focused control sees them, unless the control asks for them.
bool IsDialogKey(TKey key) {
    switch (key) {
        case VK_RETURN:
        case VK_ESCAPE:
        case VK_TAB:
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN:
            return true;
        default:
            return false;
    }
}

// Key down: the window's dialog keys, then the window's preview, then the focused control.
// True when one of them took the key.
bool KeyDownMessage(TForm& form, TControl& control, TKey key, TShiftState shift) {
    if (IsDialogKey(key) && !control.WantsKey(key) && form.DispatchDialogKey(key, shift)) {
        return true;
    }
    if (form.KeyPreview() && &control != &form) {
        form.KeyDown(key, shift);
        if (key == 0) {
            return true;
        }
    }
    control.KeyDown(key, shift);
    return key == 0;
}

// Key up: the window's preview, then the focused control.
bool KeyUpMessage(TForm& form, TControl& control, TKey key, TShiftState shift) {
    if (form.KeyPreview() && &control != &form) {
        form.KeyUp(key, shift);
        if (key == 0) {
            return true;
        }
    }
    control.KeyUp(key, shift);
    return key == 0;
}

// A typed character: with Alt an access key; otherwise the window's preview, the focused
// control, and then the access keys, but only where the focused control takes no text.
bool CharMessage(TForm& form, TControl& control, QChar ch, TShiftState shift) {
    if (shift.testFlag(ssAlt)) {
        return form.DispatchDialogChar(ch, shift);
    }
    if (form.KeyPreview() && &control != &form) {
        form.KeyPress(ch);
        if (ch.isNull()) {
            return true;
        }
    }
    control.KeyPress(ch);
    if (ch.isNull()) {
        return true;
    }
    return !control.WantsChars() && ch.isPrint() && form.DispatchDialogChar(ch, shift);
}

}  // namespace

// Keys reach the window's controls before the focused widget's own handling sees them; a key
// a control took goes no further.
bool TApplication::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    // Keys come to the focused widget, or to the active window itself when nothing in it has the
    // focus (its focused button was disabled, say): the window's own keys still work then.
    QWidget* focused = QApplication::focusWidget();
    if (widget == nullptr || (widget != focused && !(focused == nullptr && widget->isWindow()))) {
        return false;
    }
    TControl* control = ControlOf(widget);
    TForm* form = control != nullptr ? control->ParentForm() : nullptr;
    if (form == nullptr) {
        return false;
    }
    const auto& e = static_cast<const QKeyEvent&>(*event);
    const TKey key = KeyOf(e.key());
    const TShiftState shift = ShiftStateOf(e.modifiers(), {});
    try {
        if (event->type() == QEvent::KeyRelease) {
            // A held key repeats its key down and its character, but is released only once.
            return key != 0 && !e.isAutoRepeat() && KeyUpMessage(*form, *control, key, shift);
        }
        if (key != 0 && KeyDownMessage(*form, *control, key, shift)) {
            return true;
        }
        const QChar ch = CharOf(e, key);
        return !ch.isNull() && CharMessage(*form, *control, ch, shift);
    } catch (const std::exception& error) {
        HandleException(error);
        return true;
    }
}

}  // namespace vx
