#include "WebBrowser.h"

#include <unistd.h>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <cstdio>

#include "Application.h"
#include "Errors.h"
#include "Layout.h"
#include "ToolkitAccessible.h"

namespace vx {

// The page is drawn by Qt Quick's software renderer: with it the view needs neither a GL
// context at start-up nor GL composition of the whole window, which on machines without a GPU
// (and under Xvfb) would cost the window's first paint the GL start-up and every repaint of
// the busy animation a software-GL pass.
void PrepareWebEngine() {
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // Nothing draws with GL, so the window system's GL integration (which loads and starts the
    // software rasteriser before the first window shows) is not loaded at all, unless asked for.
    if (!qEnvironmentVariableIsSet("QT_XCB_GL_INTEGRATION")) {
        qputenv("QT_XCB_GL_INTEGRATION", "none");
    }
    static bool told = false;
    if (geteuid() == 0 && !told) {
        told = true;
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
        std::fputs("verinox: running as root, so the web engine's sandbox is turned off\n", stderr);
    }
}

namespace {

// A load ends in a document when it succeeded or failed (the view then shows its error page); one
// that was stopped, by the next navigation say, never completes.
bool IsFinishedLoad(const QWebEngineLoadingInfo& info) {
    return info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
           info.status() == QWebEngineLoadingInfo::LoadFailedStatus;
}

}  // namespace

TWebBrowser::TWebBrowser(QWidget* parent) : TWinControl(parent) {
    SetColor(clWhite);
    SetBounds(0, 0, 300, 150);
}

TWebBrowser::~TWebBrowser() = default;

void TWebBrowser::Navigate(const QString& url) {
    const QUrl target(url, QUrl::StrictMode);
    if (!target.isValid() || target.isRelative()) {
        throw EOleError(QStringLiteral("Invalid URL: %1").arg(url));
    }
    Load(target);
}

void TWebBrowser::CreateView() {
    if (FView != nullptr) {
        return;
    }
    FView = new QWebEngineView(this);
    FView->setGeometry(rect());
    // Creating the page starts the web engine; done here so the first navigation is quick.
    FView->page();
    connect(FView->page(), &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                if (!IsFinishedLoad(info)) {
                    return;
                }
                try {
                    DocumentComplete(info.url());
                } catch (const std::exception& error) {
                    HandleException(error);
                }
            });
    FView->show();
}

void TWebBrowser::Load(const QUrl& url) {
    CreateView();
    FView->load(url);
}

void TWebBrowser::DocumentComplete(const QUrl& url) {
    if (OnDocumentComplete) {
        OnDocumentComplete(this, url);
    }
}

void TWebBrowser::Paint() {
    if (FView == nullptr && !FViewScheduled) {
        FViewScheduled = true;
        QTimer::singleShot(0, this, &TWebBrowser::CreateView);
    }
    TCanvas& canvas = Canvas();
    canvas.Brush.Color = Color();
    canvas.Brush.Style = bsSolid;
    canvas.FillRect(ClientRect());
}

void TWebBrowser::resizeEvent(QResizeEvent* e) {
    if (FView != nullptr) {
        FView->setGeometry(rect());
    }
    TWinControl::resizeEvent(e);
}

void RegisterWebBrowser() {
    TClassRegistry::Instance().RegisterControl<TWebBrowser>(QStringLiteral("TWebBrowser"));
    TEventRegistry::Instance().Add("OnDocumentComplete", &TWebBrowser::OnDocumentComplete);
    InstallWebAccessibility();
}

}  // namespace vx
