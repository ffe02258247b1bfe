// The real browser view under a display: loads, failed loads, and a whole check against a
// local check service, right and left clicks on its page included.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QMenu>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>

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

const bool kWebEnginePrepared = (vx::PrepareWebEngine(), true);

// Runs the event loop until the condition holds or ten seconds have passed.
bool WaitFor(const std::function<bool()>& condition) {
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    return condition();
}

QVariant RunScript(QWebEnginePage* page, const QString& script) {
    QVariant result;
    bool done = false;
    page->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
    });
    WaitFor([&] { return done; });
    return result;
}

TEST(WebBrowser, EveryFinishedLoadIsReportedAFailedOneToo) {
    ASSERT_TRUE(kWebEnginePrepared);
    vx::TWebBrowser browser;
    browser.SetBounds(0, 0, 300, 150);
    browser.show();
    QList<QUrl> completed;
    browser.OnDocumentComplete = [&](QObject*, const QUrl& url) { completed << url; };
    EXPECT_THROW(browser.Navigate(QStringLiteral("http://exa mple/%zz")), vx::EOleError);

    QTemporaryDir dir;
    const QString page = dir.filePath("page.html");
    QFile file(page);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html><body>Seite</body></html>");
    file.close();
    browser.Navigate(QUrl::fromLocalFile(page).toString());
    EXPECT_TRUE(completed.isEmpty()) << "navigating returns before the page has loaded";
    ASSERT_TRUE(WaitFor([&] { return completed.size() == 1; }));
    EXPECT_EQ(completed[0], QUrl::fromLocalFile(page));

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const quint16 port = closed.serverPort();
    closed.close();
    browser.Navigate(QStringLiteral("http://127.0.0.1:%1/").arg(port));
    EXPECT_TRUE(WaitFor([&] { return completed.size() == 2; }));
}

// A server that holds requests for "/slow" unanswered and answers every other one.
struct HoldingServer {
    QTcpServer Server;
    QList<QTcpSocket*> Held;

    bool Start() {
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = Server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                if (socket->readAll().startsWith("GET /slow")) {
                    // The page begins and then stalls: its document is committed but not done.
                    socket->write(
                        "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: "
                        "100000\r\n\r\n<html><body>Seite");
                    Held << socket;
                    return;
                }
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: "
                    "close\r\nContent-Length: 2\r\n\r\nok");
                socket->disconnectFromHost();
            });
        });
        return Server.listen(QHostAddress::LocalHost);
    }
    QString Url(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(Server.serverPort()).arg(path);
    }
};

TEST(WebBrowser, ALoadCutShortByTheNextNavigationIsNotReported) {
    vx::TWebBrowser browser;
    browser.SetBounds(0, 0, 300, 150);
    browser.show();
    QList<QUrl> completed;
    browser.OnDocumentComplete = [&](QObject*, const QUrl& url) { completed << url; };
    HoldingServer server;
    ASSERT_TRUE(server.Start());
    browser.Navigate(server.Url("/slow"));
    ASSERT_TRUE(WaitFor([&] { return !server.Held.isEmpty(); }));
    QTest::qWait(500);
    browser.Navigate(server.Url("/fast"));
    ASSERT_TRUE(WaitFor([&] { return !completed.isEmpty(); }));
    QTest::qWait(300);
    EXPECT_EQ(completed, QList<QUrl>{QUrl(server.Url("/fast"))});
}

// A check service that notes the check requests and answers every request with a page that notes
// the mouse buttons it sees.
struct CheckService {
    QTcpServer Server;
    QStringList Requests;

    bool Start(quint16 port) {
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            QTcpSocket* socket = Server.nextPendingConnection();
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                const QByteArray request = socket->readAll();
                if (request.startsWith("GET /tools/")) {
                    Requests << QString::fromLatin1(request.left(request.indexOf("\r\n")));
                }
                const QByteArray body =
                    "<html><body style='height:100%'>ok<script>window.buttons=[];"
                    "document.addEventListener('mousedown',e=>window.buttons.push(e.button));"
                    "</script></body></html>";
                socket->write(
                    "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: "
                    "close\r\nContent-Length: " +
                    QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
        });
        return Server.listen(QHostAddress(QStringLiteral("127.0.0.1")), port);
    }
};

TEST(WebBrowser, ACheckReachesTheServiceAndRightClicksNeverReachThePage) {
    vx::RegisterControlClasses();
    vx::RegisterGIFImage();
    vx::RegisterWebBrowser();
    const QUrl prefix(CheckServicePrefix());
    CheckService service;
    if (prefix.host() != QLatin1String("127.0.0.1") || !service.Start(prefix.port(80))) {
        GTEST_SKIP() << "the check service's port is not free here";
    }
    TForm1 form;
    Form1 = &form;
    TForm2 info;
    Form2 = &info;
    form.Show();
    ASSERT_TRUE(WaitFor([&] { return form.wb->View() != nullptr; }))
        << "the view comes after the first paint";

    const QString address = QStringLiteral("max.mustermann+test@beispiel.de");
    form.Edit1->SetText(address);
    form.GlowButton1->Click();
    EXPECT_TRUE(form.GradientPanel2->Visible());
    ASSERT_TRUE(WaitFor([&] { return form.Timer1->Enabled(); }));
    ASSERT_EQ(service.Requests.size(), 1);
    const QString line = service.Requests[0];
    const QString path = line.section(u' ', 1, 1);
    EXPECT_TRUE(path.startsWith("/tools/verinox/checkmail.php?email=")) << line.toStdString();
    EXPECT_EQ(QUrl::fromPercentEncoding(path.section(u'=', 1).toLatin1()), address);

    form.Timer1->Tick();
    EXPECT_FALSE(form.GradientPanel2->Visible());
    QWebEngineView* view = form.wb->View();
    QWidget* document = view->childAt(view->rect().center());
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(QByteArray(document->metaObject()->className()), vx::kDocumentWindowClass);

    const QPoint spot = document->mapTo(&form, document->rect().center());
    QTest::mouseClick(form.windowHandle(), Qt::RightButton, {}, spot);
    QTest::qWait(300);
    EXPECT_EQ(form.PopupMenu1->PopupCount(), 2);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        EXPECT_FALSE(qobject_cast<QMenu*>(widget) != nullptr && widget->isVisible());
    }
    EXPECT_EQ(RunScript(view->page(), "window.buttons.join(',')").toString(), "");
    QTest::mouseClick(form.windowHandle(), Qt::LeftButton, {}, spot);
    EXPECT_TRUE(WaitFor(
        [&] { return RunScript(view->page(), "window.buttons.join(',')").toString() == "0"; }));
    form.DoDestroy();
}

}  // namespace
