#include "Events.h"

namespace vx {

TEventRegistry& TEventRegistry::Instance() {
    static TEventRegistry registry;
    return registry;
}

const TEventRegistry::Binder* TEventRegistry::Find(const QMetaObject* meta,
                                                   const QString& name) const {
    for (const QMetaObject* m = meta; m != nullptr; m = m->superClass()) {
        for (const Entry& e : FBinders) {
            if (e.Meta == m && e.Name == name) {
                return &e.Bind;
            }
        }
    }
    return nullptr;
}

}  // namespace vx
