// The application object: title, windows, the message loop, message boxes and the default
// error box for errors that escape an event handler.
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <functional>
#include <vector>

namespace vx {

class TForm;

// What a message box shows; tests may take it instead of showing a modal box.
struct TMessageBoxInfo {
    QString Caption;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
};

class TApplication : public QObject {
    Q_OBJECT
  public:
    // Wraps the running QApplication; there is one application object at a time.
    TApplication();
    ~TApplication() override;

    void Initialize();
    QString Title() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }

    // Creates a window; the first one created is the main window.
    template <class Form>
    Form* CreateForm() {
        auto* form = new Form();
        AddForm(form);
        return form;
    }
    TForm* MainForm() const { return FMainForm; }

    // Shows the main window and runs the message loop until it closes; then frees the windows.
    int Run();
    void ProcessMessages();
    void Terminate();
    // Frees every window in reverse order of creation, each told first (OnDestroy).
    void DestroyForms();

    // A modal box centred on the screen: the title as caption, no icon, one "OK" button.
    void MessageBox(const QString& text);
    // The default error box: the error's text (a full stop appended when its last character
    // sorts after "."), the title as caption, a stop icon and "OK".
    void ShowException(const QString& message);
    void HandleException(const std::exception& error);

    // Replaces the modal box (tests); nullptr restores it.
    std::function<void(const TMessageBoxInfo&)> MessageBoxHook;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void AddForm(TForm* form);
    void ShowBox(const TMessageBoxInfo& info);

    QString FTitle;
    TForm* FMainForm = nullptr;
    std::vector<QPointer<TForm>> FForms;
};

extern TApplication* Application;

// The text of the default error box for an error message.
QString ErrorBoxText(const QString& message);
// Shows an error that escaped a handler through the application (or on stderr without one).
void HandleException(const std::exception& error);

}  // namespace vx
