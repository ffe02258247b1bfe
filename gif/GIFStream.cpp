#include "gif/GIFStream.h"

#include <algorithm>
#include <cstring>

#include "gif/GIFErrors.h"

namespace gif {

void TStream::ReadBuffer(void* buffer, std::size_t count) {
    if (Read(buffer, count) != count) {
        RaiseReadError();
    }
}

std::span<const std::uint8_t> TStream::ReadInPlace(std::size_t) {
    return {};
}

std::span<const std::uint8_t> TMemoryStream::ReadInPlace(std::size_t count) {
    if (FPosition > FBytes.size() || FBytes.size() - FPosition < count) {
        return {};
    }
    const std::span<const std::uint8_t> part(FBytes.data() + FPosition, count);
    FPosition += count;
    return part;
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    const std::size_t n = std::min(count, FBytes.size() - std::min(FPosition, FBytes.size()));
    if (n > 0) {
        std::memcpy(buffer, FBytes.data() + FPosition, n);
        FPosition += n;
    }
    return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) {
        return;
    }
    if (FPosition + count > FBytes.size()) {
        FBytes.resize(FPosition + count);
    }
    std::memcpy(FBytes.data() + FPosition, buffer, count);
    FPosition += count;
}

void TMemoryStream::Seek(std::uint64_t position) {
    FPosition = static_cast<std::size_t>(std::min<std::uint64_t>(position, FBytes.size()));
}

void TMemoryStream::Clear() {
    FBytes.clear();
    FPosition = 0;
}

}  // namespace gif
