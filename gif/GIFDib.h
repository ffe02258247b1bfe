#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>
#include <vector>

// The decoded form of a frame: a device-independent bitmap as it sits in a .bmp file (file header,
// information header, palette, bottom-up rows padded to 32 bits). Frames without GIF data (made
// from other pictures by the platform layer) hold one too, so it is the codec's bitmap.
namespace gif {

inline constexpr std::uint32_t kBmpFileHeaderSize = 14;
inline constexpr std::uint32_t kBmpInfoHeaderSize = 40;

// Bytes after the end of every pixel buffer that may be read (never written): the decoder copies
// short strings out of the rows with whole 8-byte loads.
inline constexpr std::size_t kPixelReadSlack = 8;

// A zero-filled byte block that may be large; taken from calloc so that untouched pages cost
// nothing. kPixelReadSlack readable bytes follow its Size(). It may instead lend bytes that an
// owner keeps (a mapped bitmap file), so a bitmap read from a file needs no copy of its rows.
class TPixelBuffer {
  public:
    TPixelBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit TPixelBuffer(std::size_t size);
    // Bytes that owner keeps; kPixelReadSlack readable bytes must follow them. Writing to them
    // must not reach anyone else (a private mapping copies the pages it writes).
    TPixelBuffer(std::shared_ptr<const void> owner, std::uint8_t* data, std::size_t size)
        : FOwner(std::move(owner)), FData(data), FSize(size) {}
    // Moved, never copied by accident: TDib::Clone copies on purpose.
    TPixelBuffer(TPixelBuffer&& other) noexcept { *this = std::move(other); }
    TPixelBuffer& operator=(TPixelBuffer&& other) noexcept {
        FOwner = std::move(other.FOwner);
        FData = std::exchange(other.FData, nullptr);
        FSize = std::exchange(other.FSize, 0);
        return *this;
    }
    TPixelBuffer(const TPixelBuffer&) = delete;
    TPixelBuffer& operator=(const TPixelBuffer&) = delete;

    std::uint8_t* Data() { return FData; }
    const std::uint8_t* Data() const { return FData; }
    std::size_t Size() const { return FSize; }

  private:
    std::shared_ptr<const void> FOwner;
    std::uint8_t* FData = nullptr;
    std::size_t FSize = 0;
};

// Palette entry in file order: blue, green, red, reserved.
using TRgbQuad = std::array<std::uint8_t, 4>;

struct TDib {
    std::int32_t Width = 0;
    std::int32_t Height = 0;  // positive: rows stored bottom-up
    std::uint16_t BitCount = 0;
    std::vector<TRgbQuad> Palette;
    TPixelBuffer Pixels;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    static std::size_t RowStride(std::int32_t width, int bitCount);
    std::size_t Stride() const { return RowStride(Width, BitCount); }
    std::size_t ImageSize() const { return Stride() * static_cast<std::size_t>(Height); }
    std::uint32_t PixelOffset() const;
    std::uint32_t FileSize() const;

    // Start of top-down row y in the bottom-up pixel array.
    const std::uint8_t* Row(std::int32_t y) const;
    // Palette index of pixel (x, y), y counted from the top.
    std::uint8_t PixelIndex(std::int32_t x, std::int32_t y) const;

    // A deep copy (bitmaps are otherwise only moved).
    TDib Clone() const;

    // File header, information header and palette: the bytes in front of the pixels.
    std::vector<std::uint8_t> Headers() const;
    // The whole bitmap file image.
    std::vector<std::uint8_t> FileImage() const;
};

}  // namespace gif
