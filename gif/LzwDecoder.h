#pragma once

#include <cstdint>
#include <span>

#include "gif/GIFDib.h"
#include "gif/GIFTypes.h"

namespace gif {

// Where a frame's pixels go: the zero-filled bottom-up rows of a bitmap of 1, 4 or 8 bits per
// pixel, followed by kPixelReadSlack readable bytes (as TPixelBuffer has).
struct TRasterTarget {
    std::uint8_t* Pixels = nullptr;
    std::int32_t Width = 0;
    std::int32_t Height = 0;
    int BitsPerPixel = 8;
};

// Decodes one frame's stored code stream (minimum code size byte, sub-blocks, terminator) into
// target. frameBits is the bit count of the frame's colour table: codes up to its mask are
// literals, as far as they lie below the clear code; interlaced frames fill their rows in pass
// order. Damaged data raise when acceptDamaged is false; otherwise decoding stops early and the
// result is true. Progress goes to progress when given.
bool DecodeRaster(std::span<const std::uint8_t> codeStream, int frameBits, bool interlaced,
                  const TRasterTarget& target, bool acceptDamaged, IGIFNotify* progress);

// The row after row in interlaced order (0, 8, 16, ..., 4, 12, ..., 2, 6, ..., 1, 3, ...);
// a result at or beyond height means the image is done.
std::int32_t NextInterlacedRow(std::int32_t row, std::int32_t height, int& pass);

}  // namespace gif
