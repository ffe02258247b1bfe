#pragma once

#include <cstdint>
#include <span>

#include "gif/GIFDib.h"

namespace gif {

// The bitmap in a bitmap file image (.bmp) of 1, 4, 8, 24 or 32 bits per pixel, uncompressed (32
// bits also with the usual red, green and blue masks), stored bottom-up or top-down, with any
// information header of 40 bytes or more. The palette of 1, 4 and 8 bits always gets 2^depth
// entries; those the file leaves out are black. Anything else raises EInvalidGraphic "Bitmap ist
// ungültig".
TDib DibFromFileImage(std::span<const std::uint8_t> file);

}  // namespace gif
