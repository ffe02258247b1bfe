// The help browser: shows the page named on the command line in a window of its own.
#include <QApplication>
#include <QDir>
#include <QUrl>
#include <QWebEngineView>

#include "WebBrowser.h"

int main(int argc, char** argv) {
    vx::PrepareWebEngine();
    QApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2) {
        return 2;
    }
    QWebEngineView view;
    QObject::connect(&view, &QWebEngineView::titleChanged, &view, &QWidget::setWindowTitle);
    view.setWindowTitle(args[1]);
    view.resize(800, 600);
    view.load(QUrl::fromUserInput(args[1], QDir::currentPath(), QUrl::AssumeLocalFile));
    view.show();
    return QApplication::exec();
}
