#pragma once

#include <cstdint>
#include <span>

#include "gif/GIFDib.h"
#include "gif/GIFTypes.h"

namespace gif {

// Decodes one frame's stored code stream (minimum code size byte, sub-blocks, terminator) into
// the zero-filled bottom-up pixel array of a bitmap of bitsPerPixel 1, 4 or 8 bits; the array must
// be followed by kPixelReadSlack readable bytes (as TPixelBuffer is). frameBits is the bit count of
// the frame's colour table: codes up to its mask are literals, as far as they lie below the clear
// code. Damage sets corrupt (never clears it) when acceptDamaged is true and raises otherwise.
// Progress goes to progress when given.
void DecodeRaster(std::span<const std::uint8_t> codeStream, std::int32_t width, std::int32_t height,
                  int bitsPerPixel, bool interlaced, IGIFNotify* progress, bool& corrupt,
                  std::uint8_t* pixels, int frameBits, bool acceptDamaged);

// The row after row in interlaced order (0, 8, 16, ..., 4, 12, ..., 2, 6, ..., 1, 3, ...);
// a result at or beyond height means the image is done.
std::int32_t NextInterlacedRow(std::int32_t row, std::int32_t height, int& pass);

}  // namespace gif
