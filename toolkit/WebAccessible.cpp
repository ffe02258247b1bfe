#include <QAccessibleWidget>
#include <QWebEngineView>

#include "ToolkitAccessible.h"
#include "WebBrowser.h"

namespace vx {

namespace {

// The browser view is the document it shows, named by the page's title or, before the page has
// one, its address. The page's own tree lies below, in the view.
class TWebBrowserAccessible : public QAccessibleWidget {
  public:
    explicit TWebBrowserAccessible(TWebBrowser* browser)
        : QAccessibleWidget(browser, QAccessible::Document) {}

    QString text(QAccessible::Text t) const override {
        const QWebEngineView* view = static_cast<TWebBrowser*>(widget())->View();
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty() || view == nullptr) {
            return QAccessibleWidget::text(t);
        }
        return !view->title().isEmpty() ? view->title() : view->url().toDisplayString();
    }

    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.readOnly = true;
        return s;
    }
};

QAccessibleInterface* WebFactory(const QString&, QObject* object) {
    if (auto* browser = qobject_cast<TWebBrowser*>(object)) {
        return new TWebBrowserAccessible(browser);
    }
    return nullptr;
}

}  // namespace

void InstallWebAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(WebFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vx
