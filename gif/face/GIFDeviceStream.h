#pragma once

#include <QIODevice>

#include "gif/GIFStream.h"

namespace vx {

// The codec's stream over a Qt device, so that pictures, files and clipboard data feed the reader
// and receive the writer's output directly.
class TGIFDeviceStream : public gif::TStream {
  public:
    explicit TGIFDeviceStream(QIODevice& device) : FDevice(device) {}

    std::size_t Read(void* buffer, std::size_t count) override;
    // Raises EWriteError when the device takes fewer bytes.
    void Write(const void* buffer, std::size_t count) override;
    std::uint64_t Position() const override;
    std::uint64_t Size() const override;
    void Seek(std::uint64_t position) override;

  private:
    QIODevice& FDevice;
};

}  // namespace vx
