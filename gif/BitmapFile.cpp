#include "gif/BitmapFile.h"

#include <algorithm>
#include <cstring>

#include "gif/GIFErrors.h"

namespace gif {

namespace {

constexpr std::uint32_t kCompressionNone = 0;
constexpr std::uint32_t kCompressionBitFields = 3;
constexpr std::uint32_t kRedMask = 0x00FF0000;
constexpr std::uint32_t kGreenMask = 0x0000FF00;
constexpr std::uint32_t kBlueMask = 0x000000FF;
constexpr std::int32_t kMaxSide = 1 << 20;  // far beyond anything a GIF can hold

[[noreturn]] void RaiseInvalidBitmap() {
    throw EInvalidGraphic(kMsgInvalidBitmap);
}

class TFileReader {
  public:
    explicit TFileReader(std::span<const std::uint8_t> file) : FFile(file) {}

    std::uint32_t Le32(std::size_t at) const {
        Need(at, 4);
        return std::uint32_t{FFile[at]} | std::uint32_t{FFile[at + 1]} << 8 |
               std::uint32_t{FFile[at + 2]} << 16 | std::uint32_t{FFile[at + 3]} << 24;
    }
    std::uint16_t Le16(std::size_t at) const {
        Need(at, 2);
        return static_cast<std::uint16_t>(FFile[at] | FFile[at + 1] << 8);
    }
    const std::uint8_t* At(std::size_t at, std::size_t count) const {
        Need(at, count);
        return FFile.data() + at;
    }

  private:
    void Need(std::size_t at, std::size_t count) const {
        if (at > FFile.size() || FFile.size() - at < count) {
            RaiseInvalidBitmap();
        }
    }

    std::span<const std::uint8_t> FFile;
};

}  // namespace

TDib DibFromFileImage(std::span<const std::uint8_t> file, std::shared_ptr<const void> owner,
                      std::size_t readable) {
    const TFileReader in(file);
    if (in.Le16(0) != ('B' | 'M' << 8)) {
        RaiseInvalidBitmap();
    }
    const std::uint32_t pixelOffset = in.Le32(10);
    const std::uint32_t headerSize = in.Le32(kBmpFileHeaderSize);
    const auto width = static_cast<std::int32_t>(in.Le32(18));
    const auto storedHeight = static_cast<std::int32_t>(in.Le32(22));
    const std::uint16_t bitCount = in.Le16(28);
    const std::uint32_t compression = in.Le32(30);
    const std::uint32_t colorsUsed = in.Le32(46);
    const bool knownDepth =
        bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
    if (headerSize < kBmpInfoHeaderSize || !knownDepth || width <= 0 || width > kMaxSide ||
        storedHeight == 0 || storedHeight < -kMaxSide || storedHeight > kMaxSide) {
        RaiseInvalidBitmap();
    }
    // The masks follow a 40-byte header and sit at the same place inside the larger ones.
    const std::size_t masksAt = kBmpFileHeaderSize + kBmpInfoHeaderSize;
    const bool standardMasks = bitCount == 32 && in.Le32(masksAt) == kRedMask &&
                               in.Le32(masksAt + 4) == kGreenMask &&
                               in.Le32(masksAt + 8) == kBlueMask;
    if (compression != kCompressionNone &&
        !(compression == kCompressionBitFields && standardMasks)) {
        RaiseInvalidBitmap();
    }

    TDib dib;
    dib.Width = width;
    dib.Height = storedHeight < 0 ? -storedHeight : storedHeight;
    dib.BitCount = bitCount;
    if (bitCount <= 8) {
        const std::uint32_t entries = 1u << bitCount;
        const std::uint32_t stored = colorsUsed == 0 || colorsUsed > entries ? entries : colorsUsed;
        std::size_t paletteAt = kBmpFileHeaderSize + headerSize;
        if (compression == kCompressionBitFields && headerSize == kBmpInfoHeaderSize) {
            paletteAt += 12;
        }
        const std::uint8_t* quads = in.At(paletteAt, 4 * std::size_t{stored});
        dib.Palette.assign(entries, TRgbQuad{0, 0, 0, 0});
        std::memcpy(dib.Palette.data(), quads, 4 * std::size_t{stored});
    }

    const std::size_t stride = dib.Stride();
    const std::uint8_t* pixels = in.At(pixelOffset, dib.ImageSize());
    const std::size_t pixelEnd = std::size_t{pixelOffset} + dib.ImageSize();
    if (owner && storedHeight > 0 &&
        std::max(readable, file.size()) - pixelEnd >= kPixelReadSlack) {
        dib.Pixels =
            TPixelBuffer(std::move(owner), const_cast<std::uint8_t*>(pixels), dib.ImageSize());
        return dib;
    }
    dib.Pixels = TPixelBuffer(dib.ImageSize());
    if (storedHeight > 0) {
        std::memcpy(dib.Pixels.Data(), pixels, dib.ImageSize());
    } else {
        for (std::int32_t y = 0; y < dib.Height; ++y) {
            std::memcpy(dib.Pixels.Data() + static_cast<std::size_t>(dib.Height - 1 - y) * stride,
                        pixels + static_cast<std::size_t>(y) * stride, stride);
        }
    }
    return dib;
}

}  // namespace gif
