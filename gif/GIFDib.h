#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
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
// nothing. kPixelReadSlack readable bytes follow its Size().
class TPixelBuffer {
  public:
    TPixelBuffer() = default;
    // Throws std::bad_alloc when the memory cannot be had.
    explicit TPixelBuffer(std::size_t size);

    std::uint8_t* Data() { return FData.get(); }
    const std::uint8_t* Data() const { return FData.get(); }
    std::size_t Size() const { return FSize; }

  private:
    struct Free {
        void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t, Free> FData;
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
