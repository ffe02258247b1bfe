#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

#include "gif/GIFDib.h"

namespace gif {

// The bitmap in a bitmap file image (.bmp) of 1, 4, 8, 24 or 32 bits per pixel, uncompressed (32
// bits also with the usual red, green and blue masks), stored bottom-up or top-down, with any
// information header of 40 bytes or more. The palette of 1, 4 and 8 bits always gets 2^depth
// entries; those the file leaves out are black. Anything else raises EInvalidGraphic "Bitmap ist
// ungültig".
// With an owner that keeps file, rows stored bottom-up are lent from it rather than copied when
// kPixelReadSlack readable bytes follow them; readable counts the bytes from file's start that may
// be read (at least file.size()). The owner's bytes must take writes privately (see TPixelBuffer).
TDib DibFromFileImage(std::span<const std::uint8_t> file, std::shared_ptr<const void> owner = {},
                      std::size_t readable = 0);

}  // namespace gif
