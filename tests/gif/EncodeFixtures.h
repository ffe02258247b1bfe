#pragma once

#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "GifBytes.h"
#include "gif/GIFDib.h"
#include "gif/GIFImage.h"
#include "gif/GIFStream.h"

// Bitmaps for the writer's tests: random content of every depth, as the platform layer or a
// bitmap file would hand them over.
namespace giftest {

inline void SetPixelIndex(gif::TDib& dib, std::int32_t x, std::int32_t y, std::uint8_t value) {
    std::uint8_t* row =
        dib.Pixels.Data() + static_cast<std::size_t>(dib.Height - 1 - y) * dib.Stride();
    switch (dib.BitCount) {
        case 1:
            row[x / 8] = static_cast<std::uint8_t>((row[x / 8] & ~(0x80 >> (x % 8))) |
                                                   (value << (7 - x % 8)));
            break;
        case 4:
            row[x / 2] = x % 2 == 0 ? static_cast<std::uint8_t>((row[x / 2] & 0x0F) | value << 4)
                                    : static_cast<std::uint8_t>((row[x / 2] & 0xF0) | value);
            break;
        default:
            row[x] = value;
    }
}

// Colour of pixel (x, y) as 0x00BBGGRR, for any depth.
inline gif::TColor PixelColor(const gif::TDib& dib, std::int32_t x, std::int32_t y) {
    if (dib.BitCount <= 8) {
        const gif::TRgbQuad& q = dib.Palette[dib.PixelIndex(x, y)];
        return gif::TColor(q[2]) | gif::TColor(q[1]) << 8 | gif::TColor(q[0]) << 16;
    }
    const std::uint8_t* p = dib.Row(y) + static_cast<std::size_t>(x) * (dib.BitCount / 8);
    return gif::TColor(p[2]) | gif::TColor(p[1]) << 8 | gif::TColor(p[0]) << 16;
}

inline gif::TDib NewDib(std::int32_t width, std::int32_t height, int depth) {
    gif::TDib dib;
    dib.Width = width;
    dib.Height = height;
    dib.BitCount = static_cast<std::uint16_t>(depth);
    if (depth <= 8) {
        dib.Palette.assign(std::size_t{1} << depth, gif::TRgbQuad{0, 0, 0, 0});
    }
    dib.Pixels = gif::TPixelBuffer(dib.ImageSize());
    return dib;
}

// A bitmap of the given depth using `colors` distinct colours: noise, or runs of one colour
// (long LZW strings). Palettes of 1, 4 and 8 bits hold distinct random colours.
inline gif::TDib RandomDib(std::int32_t width, std::int32_t height, int depth, int colors,
                           std::mt19937& random, bool runs = false) {
    gif::TDib dib = NewDib(width, height, depth);
    std::vector<gif::TColor> palette;
    while (static_cast<int>(palette.size()) < colors) {
        const gif::TColor c = random() & 0xFFFFFF;
        if (std::find(palette.begin(), palette.end(), c) == palette.end()) {
            palette.push_back(c);
        }
    }
    for (std::size_t i = 0; depth <= 8 && i < palette.size(); ++i) {
        const gif::TColor c = palette[i];
        dib.Palette[i] = {static_cast<std::uint8_t>(c >> 16), static_cast<std::uint8_t>(c >> 8),
                          static_cast<std::uint8_t>(c), 0};
    }
    const int bytes = depth / 8;
    std::uint32_t current = 0;
    for (std::int32_t y = 0; y < height; ++y) {
        for (std::int32_t x = 0; x < width; ++x) {
            if (!runs || random() % 23 == 0) {
                current = random() % static_cast<std::uint32_t>(colors);
            }
            if (depth <= 8) {
                SetPixelIndex(dib, x, y, static_cast<std::uint8_t>(current));
            } else {
                std::uint8_t* p = const_cast<std::uint8_t*>(dib.Row(y)) + x * bytes;
                const gif::TColor c = palette[current];
                p[0] = static_cast<std::uint8_t>(c >> 16);
                p[1] = static_cast<std::uint8_t>(c >> 8);
                p[2] = static_cast<std::uint8_t>(c);
                if (bytes == 4) {
                    p[3] = static_cast<std::uint8_t>(random());
                }
            }
        }
    }
    return dib;
}

// An image holding the bitmaps as frames that have not been encoded yet.
inline void AddBitmapFrame(gif::TGIFImage& image, const gif::TDib& dib) {
    gif::TGIFFrame& frame = image.NewFrame();
    frame.FBitmapCache = std::make_unique<gif::TDib>(dib.Clone());
    image.FActiveFrame = image.FrameCount() - 1;
}

inline Bytes Written(gif::TGIFImage& image) {
    gif::TMemoryStream stream;
    image.WriteToStream(stream);
    const auto bytes = stream.Bytes();
    return Bytes(bytes.begin(), bytes.end());
}

}  // namespace giftest
