// Values as a window layout stores them, and the interface of objects that take extra values.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <variant>

namespace vx {

struct TIdent {
    QString Name;
};

struct TSetValue {
    QStringList Members;
};

using TLayoutValue = std::variant<qint64, QString, bool, TIdent, TSetValue, QByteArray>;

// Implemented by every object a layout can create or address. Extra values are those that are
// not published properties (a panel's stored full height, a picture's data record).
class ILayoutTarget {
  public:
    virtual ~ILayoutTarget() = default;
    virtual bool ReadExtra(const QString& name, const TLayoutValue& value) {
        (void)name;
        (void)value;
        return false;
    }
    // Called on every object the layout creates or fills, before its first value.
    virtual void Loading() {}
    // Called on every object once the whole layout tree has been read.
    virtual void Loaded() {}
};

}  // namespace vx
