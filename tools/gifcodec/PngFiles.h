#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "gif/GIFDib.h"
#include "gif/GIFTypes.h"

// PNG files through libpng, in memory: frames out as palette images, rendered frames as RGBA,
// and PNG in as a bitmap the encoder takes. Errors raise gif::EInvalidGraphic with libpng's text.
namespace gifcodec {

// A palette image of a decoded frame: the bitmap's rows and palette as they are (1, 4 or 8 bits
// per pixel), entries of the transparent colour fully transparent.
std::vector<std::uint8_t> PngFromDib(const gif::TDib& dib, gif::TColor transparent);

// An RGBA image, rows top-down, 4 bytes per pixel (red, green, blue, alpha).
std::vector<std::uint8_t> PngFromRgba(const std::uint8_t* pixels, std::int32_t width,
                                      std::int32_t height);

// What the encoder takes from a PNG: a bitmap of 1, 4 or 8 bits per pixel (palette images as
// they are, others exactly when they have few enough colours, else reduced to 256 colours: grey
// levels with gray) and the colour that stands for transparent pixels (gif::clNone without).
// Pixels of alpha below half are transparent. An image above maxPixels is refused before its
// pixels are read (gif::EFrameTooLarge).
struct TPngPicture {
    gif::TDib Bitmap;
    gif::TColor Transparent = gif::clNone;
};
TPngPicture ReadPng(std::span<const std::uint8_t> file, std::int64_t maxPixels, bool gray);

// PNG files start with these 8 bytes.
bool IsPng(std::span<const std::uint8_t> file);

}  // namespace gifcodec
