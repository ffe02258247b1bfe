// Event types of the controls and the tables that let layouts bind events to window handlers
// by name.
#pragma once

#include <QChar>
#include <QMetaObject>
#include <QObject>
#include <QString>
#include <any>
#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "Types.h"

namespace vx {

using TNotifyEvent = std::function<void(QObject* Sender)>;
using TMouseEvent =
    std::function<void(QObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(QObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(QObject* Sender, TKey& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(QObject* Sender, QChar& Key)>;

// A window's handlers by name; each keeps its exact event type so a binding can check it.
class THandlerTable {
  public:
    template <class Owner, class... Args>
    void Add(const QString& name, Owner* owner, void (Owner::*method)(Args...)) {
        FHandlers[name] = std::function<void(Args...)>(
            [owner, method](Args... args) { (owner->*method)(std::forward<Args>(args)...); });
    }
    const std::any* Find(const QString& name) const {
        const auto it = FHandlers.find(name);
        return it == FHandlers.end() ? nullptr : &it->second;
    }

  private:
    std::map<QString, std::any> FHandlers;
};

// Events that layouts may bind, per class; lookups walk the class's ancestors.
class TEventRegistry {
  public:
    // Stores the handler into the object's event; false when the handler's type does not fit.
    using Binder = std::function<bool(QObject* object, const std::any& handler)>;

    static TEventRegistry& Instance();

    template <class Class, class Event>
    void Add(const char* name, Event Class::*field) {
        FBinders.push_back({&Class::staticMetaObject, QString::fromLatin1(name),
                            [field](QObject* object, const std::any& handler) {
                                const auto* h = std::any_cast<Event>(&handler);
                                if (h == nullptr) {
                                    return false;
                                }
                                static_cast<Class*>(object)->*field = *h;
                                return true;
                            }});
    }
    const Binder* Find(const QMetaObject* meta, const QString& name) const;

  private:
    struct Entry {
        const QMetaObject* Meta;
        QString Name;
        Binder Bind;
    };
    std::vector<Entry> FBinders;
};

}  // namespace vx
