#include "gif/GIFDib.h"

#include <cstring>
#include <new>

namespace gif {

namespace {

void PutLe16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
}

void PutLe32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    PutLe16(out, v & 0xFFFF);
    PutLe16(out, v >> 16);
}

}  // namespace

TPixelBuffer::TPixelBuffer(std::size_t size) : FSize(size) {
    if (size == 0) {
        return;
    }
    FData = static_cast<std::uint8_t*>(std::calloc(size + kPixelReadSlack, 1));
    if (FData == nullptr) {
        FSize = 0;
        throw std::bad_alloc();
    }
    FOwner = std::shared_ptr<std::uint8_t>(FData, [](std::uint8_t* p) { std::free(p); });
}

std::size_t TDib::RowStride(std::int32_t width, int bitCount) {
    if (width <= 0) {
        return 0;
    }
    return (static_cast<std::size_t>(width) * bitCount + 31) / 32 * 4;
}

std::uint32_t TDib::PixelOffset() const {
    return kBmpFileHeaderSize + kBmpInfoHeaderSize + 4 * static_cast<std::uint32_t>(Palette.size());
}

std::uint32_t TDib::FileSize() const {
    return static_cast<std::uint32_t>(ImageSize()) + PixelOffset();
}

const std::uint8_t* TDib::Row(std::int32_t y) const {
    return Pixels.Data() + static_cast<std::size_t>(Height - 1 - y) * Stride();
}

std::uint8_t TDib::PixelIndex(std::int32_t x, std::int32_t y) const {
    const std::uint8_t* row = Row(y);
    switch (BitCount) {
        case 1:
            return (row[x / 8] >> (7 - x % 8)) & 1;
        case 4:
            return x % 2 == 0 ? row[x / 2] >> 4 : row[x / 2] & 0x0F;
        default:
            return row[x];
    }
}

TDib TDib::Clone() const {
    TDib copy;
    copy.Width = Width;
    copy.Height = Height;
    copy.BitCount = BitCount;
    copy.Palette = Palette;
    copy.Pixels = TPixelBuffer(Pixels.Size());
    if (Pixels.Size() > 0) {
        std::memcpy(copy.Pixels.Data(), Pixels.Data(), Pixels.Size());
    }
    return copy;
}

std::vector<std::uint8_t> TDib::Headers() const {
    std::vector<std::uint8_t> out;
    out.reserve(PixelOffset());
    out.push_back('B');
    out.push_back('M');
    PutLe32(out, FileSize());
    PutLe32(out, 0);  // two reserved words
    PutLe32(out, PixelOffset());
    PutLe32(out, kBmpInfoHeaderSize);
    PutLe32(out, static_cast<std::uint32_t>(Width));
    PutLe32(out, static_cast<std::uint32_t>(Height));
    PutLe16(out, 1);  // planes
    PutLe16(out, BitCount);
    PutLe32(out, 0);  // no compression
    PutLe32(out, static_cast<std::uint32_t>(ImageSize()));
    PutLe32(out, 0);  // horizontal resolution
    PutLe32(out, 0);  // vertical resolution
    PutLe32(out, 0);  // colours used
    PutLe32(out, 0);  // important colours
    for (const TRgbQuad& quad : Palette) {
        out.insert(out.end(), quad.begin(), quad.end());
    }
    return out;
}

std::vector<std::uint8_t> TDib::FileImage() const {
    std::vector<std::uint8_t> out = Headers();
    const std::size_t headerSize = out.size();
    out.resize(headerSize + ImageSize());
    if (ImageSize() > 0) {
        std::memcpy(out.data() + headerSize, Pixels.Data(), ImageSize());
    }
    return out;
}

}  // namespace gif
