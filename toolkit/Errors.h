// Errors are exceptions that carry a message text (UTF-8).
#pragma once

#include <QString>
#include <stdexcept>

namespace vx {

class Exception : public std::runtime_error {
  public:
    explicit Exception(const QString& message) : std::runtime_error(message.toStdString()) {}
    explicit Exception(const char* message) : std::runtime_error(message) {}
    QString Message() const { return QString::fromUtf8(what()); }
};

#define VX_DECLARE_EXCEPTION(Name, Base) \
    class Name : public Base {           \
      public:                            \
        using Base::Base;                \
    };

VX_DECLARE_EXCEPTION(EInvalidGraphic, Exception)
VX_DECLARE_EXCEPTION(EInvalidGraphicOperation, Exception)
VX_DECLARE_EXCEPTION(EStreamError, Exception)
VX_DECLARE_EXCEPTION(EReadError, EStreamError)
VX_DECLARE_EXCEPTION(EWriteError, EStreamError)
VX_DECLARE_EXCEPTION(EFOpenError, EStreamError)
VX_DECLARE_EXCEPTION(EOutOfResources, Exception)
VX_DECLARE_EXCEPTION(EComponentError, Exception)
VX_DECLARE_EXCEPTION(EOleError, Exception)
VX_DECLARE_EXCEPTION(ELayoutError, Exception)

#undef VX_DECLARE_EXCEPTION

// The runtime's own read-error text.
inline const char* const SReadError = "Stream-Lesefehler";

}  // namespace vx
