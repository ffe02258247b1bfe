#include "GIFDeviceStream.h"

#include "Errors.h"

namespace vx {

std::size_t TGIFDeviceStream::Read(void* buffer, std::size_t count) {
    const qint64 read = FDevice.read(static_cast<char*>(buffer), static_cast<qint64>(count));
    return read > 0 ? static_cast<std::size_t>(read) : 0;
}

void TGIFDeviceStream::Write(const void* buffer, std::size_t count) {
    if (FDevice.write(static_cast<const char*>(buffer), static_cast<qint64>(count)) !=
        static_cast<qint64>(count)) {
        throw EWriteError("Stream write error");
    }
}

std::uint64_t TGIFDeviceStream::Position() const {
    return static_cast<std::uint64_t>(FDevice.pos());
}

std::uint64_t TGIFDeviceStream::Size() const {
    // A sequential device knows only what it holds now; its position stays 0.
    if (FDevice.isSequential()) {
        return static_cast<std::uint64_t>(FDevice.bytesAvailable());
    }
    return static_cast<std::uint64_t>(FDevice.size());
}

void TGIFDeviceStream::Seek(std::uint64_t position) {
    if (!FDevice.seek(static_cast<qint64>(position))) {
        throw EReadError(SReadError);
    }
}

}  // namespace vx
