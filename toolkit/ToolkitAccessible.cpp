#include "ToolkitAccessible.h"

#include <QAccessibleWidget>

#include "Canvas.h"
#include "Forms.h"
#include "StdCtrls.h"

namespace vx {

namespace {

class TFormAccessible : public QAccessibleWidget {
  public:
    explicit TFormAccessible(TForm* form)
        : QAccessibleWidget(
              form, form->BorderStyle() == bsDialog ? QAccessible::Dialog : QAccessible::Window) {}
};

// A label is read as the text it shows.
class TLabelAccessible : public QAccessibleWidget {
  public:
    explicit TLabelAccessible(TLabel* label) : QAccessibleWidget(label, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !widget()->accessibleName().isEmpty()) {
            return QAccessibleWidget::text(t);
        }
        const auto* label = static_cast<TLabel*>(widget());
        return label->ShowAccelChar() ? StripPrefix(label->Caption()).Text : label->Caption();
    }
};

QAccessibleInterface* ToolkitFactory(const QString&, QObject* object) {
    if (auto* form = qobject_cast<TForm*>(object)) {
        return new TFormAccessible(form);
    }
    if (auto* label = qobject_cast<TLabel*>(object)) {
        return new TLabelAccessible(label);
    }
    if (auto* image = qobject_cast<TImage*>(object)) {
        return new QAccessibleWidget(image, QAccessible::Graphic);
    }
    return nullptr;
}

}  // namespace

void InstallToolkitAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ToolkitFactory);
        return true;
    }();
    (void)installed;
}

}  // namespace vx
