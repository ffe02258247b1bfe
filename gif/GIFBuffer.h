#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "gif/GIFErrors.h"

namespace gif {

// A read cursor over the private copy of the GIF data that loading works on. Lenient reads take
// what is there and treat missing bytes as zero; exact reads raise "Stream-Lesefehler". No read
// ever goes beyond the data.
class TGifBuffer {
  public:
    explicit TGifBuffer(std::span<const std::uint8_t> data) : FData(data) {}

    bool AtEnd() const { return FPos >= FData.size(); }
    std::size_t Position() const { return FPos; }
    std::size_t Remaining() const { return FData.size() - FPos; }
    void SkipToEnd() { FPos = FData.size(); }

    std::uint8_t ReadByte() { return AtEnd() ? 0 : FData[FPos++]; }

    // Reads count bytes into out; missing bytes become zero. Returns how many were there.
    std::size_t ReadLenient(std::uint8_t* out, std::size_t count) {
        const std::size_t n = count < Remaining() ? count : Remaining();
        if (n > 0) {
            std::memcpy(out, FData.data() + FPos, n);
        }
        std::memset(out + n, 0, count - n);
        FPos += n;
        return n;
    }

    void ReadExact(std::uint8_t* out, std::size_t count) {
        if (Remaining() < count) {
            RaiseReadError();
        }
        ReadLenient(out, count);
    }

    // The byte count of the sub-block chain starting here, with its size bytes and terminator,
    // up to the end of the data; nothing is consumed.
    std::size_t SubBlockChainSize() const {
        std::size_t pos = FPos;
        while (pos < FData.size()) {
            const std::size_t n = FData[pos];
            pos += 1 + n;
            if (n == 0) {
                break;
            }
        }
        return std::min(pos, FData.size()) - FPos;
    }

    std::span<const std::uint8_t> Take(std::size_t count) {
        const std::size_t n = count < Remaining() ? count : Remaining();
        std::span<const std::uint8_t> part = FData.subspan(FPos, n);
        FPos += n;
        return part;
    }

  private:
    std::span<const std::uint8_t> FData;
    std::size_t FPos = 0;
};

}  // namespace gif
