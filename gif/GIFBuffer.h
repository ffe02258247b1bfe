#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <span>

#include "gif/GIFErrors.h"
#include "gif/GIFShared.h"

namespace gif {

// A read cursor over the private copy of the GIF data that loading works on. Lenient reads take
// what is there and treat missing bytes as zero; exact reads raise "Stream-Lesefehler". No read
// ever goes beyond the data. The owner keeps the data alive for code streams that view them.
class TGifBuffer {
  public:
    explicit TGifBuffer(std::span<const std::uint8_t> data, std::shared_ptr<const void> owner = {})
        : FData(data), FOwner(std::move(owner)) {}

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

    // The bytes from start up to end, as a code stream that keeps them alive (a copy when the data
    // have no owner).
    TCodeStream CodeStream(std::size_t start, std::size_t end) const {
        const std::span<const std::uint8_t> part = FData.subspan(start, end - start);
        if (!FOwner) {
            return TCodeStream(std::vector<std::uint8_t>(part.begin(), part.end()));
        }
        return TCodeStream(FOwner, part);
    }

  private:
    std::span<const std::uint8_t> FData;
    std::shared_ptr<const void> FOwner;
    std::size_t FPos = 0;
};

}  // namespace gif
