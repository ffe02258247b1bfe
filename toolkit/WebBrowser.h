// The browser view of the windows over Qt WebEngine: navigation that returns at once, a
// document-complete event for every finished load, and the class name of the widget inside the
// view that receives the page's mouse input.
#pragma once

#include <QUrl>
#include <functional>

#include "Control.h"

class QWebEngineView;

namespace vx {

// The widget inside the view that receives the page's mouse input is a plain QQuickWidget.
inline constexpr char kDocumentWindowClass[] = "QQuickWidget";

// The web engine refuses to run its sandbox as root: only then the sandbox is turned off, and
// stderr says so once. Call before the QApplication is created.
void PrepareWebEngine();

using TDocumentCompleteEvent = std::function<void(QObject* Sender, const QUrl& URL)>;

class TWebBrowser : public TWinControl {
    Q_OBJECT
  public:
    explicit TWebBrowser(QWidget* parent = nullptr);
    ~TWebBrowser() override;

    // Starts loading and returns before the page has loaded; a URL that cannot be loaded
    // raises EOleError.
    void Navigate(const QString& url);
    // The view; it is created after the window's first paint (so the web engine's start does not
    // hold up the window) or by the first navigation, whichever comes first.
    QWebEngineView* View() const { return FView; }

    // The page keeps its own keys: typing into it, Enter and Esc included, reaches the page and
    // no access key of the window.
    bool WantsKey(TKey) const override { return true; }
    bool WantsChars() const override { return true; }

    // Raised for every finished load, a failed one included (the view then shows its error page);
    // a load cut short by the next navigation is not finished and is not reported.
    TDocumentCompleteEvent OnDocumentComplete;

  protected:
    virtual void CreateView();
    virtual void Load(const QUrl& url);
    void DocumentComplete(const QUrl& url);
    void Paint() override;
    void resizeEvent(QResizeEvent* e) override;

  private:
    QWebEngineView* FView = nullptr;
    bool FViewScheduled = false;
};

// Registers TWebBrowser and its event for layouts.
void RegisterWebBrowser();

}  // namespace vx
