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

void TStream::WriteParts(std::span<const std::span<const std::uint8_t>> parts) {
    for (const auto& part : parts) {
        Write(part.data(), part.size());
    }
}

TStream::TSharedBytes TStream::ReadShared(std::size_t) {
    return {};
}

TStream::TSharedBytes TMemoryStream::ReadShared(std::size_t count) {
    const std::vector<std::uint8_t>& bytes = *FBytes;
    if (FPosition > bytes.size() || bytes.size() - FPosition < count) {
        return {};
    }
    const std::span<const std::uint8_t> part(bytes.data() + FPosition, count);
    FPosition += count;
    return {FBytes, part};
}

std::size_t TMemoryStream::Read(void* buffer, std::size_t count) {
    const std::vector<std::uint8_t>& bytes = *FBytes;
    const std::size_t n = std::min(count, bytes.size() - std::min(FPosition, bytes.size()));
    if (n > 0) {
        std::memcpy(buffer, bytes.data() + FPosition, n);
        FPosition += n;
    }
    return n;
}

void TMemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) {
        return;
    }
    if (FBytes.use_count() > 1) {
        // Someone holds bytes lent by ReadShared: they keep the old ones.
        FBytes = std::make_shared<std::vector<std::uint8_t>>(*FBytes);
    }
    std::vector<std::uint8_t>& bytes = *FBytes;
    if (FPosition + count > bytes.size()) {
        bytes.resize(FPosition + count);
    }
    std::memcpy(bytes.data() + FPosition, buffer, count);
    FPosition += count;
}

void TMemoryStream::Seek(std::uint64_t position) {
    FPosition = static_cast<std::size_t>(std::min<std::uint64_t>(position, FBytes->size()));
}

void TMemoryStream::Clear() {
    FBytes = std::make_shared<std::vector<std::uint8_t>>();
    FPosition = 0;
}

}  // namespace gif
