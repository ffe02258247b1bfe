#include "ToolkitAccessible.h"

#include <QAccessibleWidget>

#include "Forms.h"

namespace vx {

namespace {

class TFormAccessible : public QAccessibleWidget {
  public:
    explicit TFormAccessible(TForm* form)
        : QAccessibleWidget(
              form, form->BorderStyle() == bsDialog ? QAccessible::Dialog : QAccessible::Window) {}
};

QAccessibleInterface* ToolkitFactory(const QString&, QObject* object) {
    if (auto* form = qobject_cast<TForm*>(object)) {
        return new TFormAccessible(form);
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
