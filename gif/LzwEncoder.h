#pragma once

#include <cstdint>
#include <vector>

#include "gif/GIFShared.h"
#include "gif/GIFTypes.h"

namespace gif {

// The GIF raster of a bottom-up bitmap of 1, 4 or 8 bits per pixel: the minimum code size byte
// (2, 4 or 8), data sub-blocks of 255 bytes but the last, and the terminator. Rows are taken top
// to bottom, or in interlaced order with interlaced. Progress goes to progress when given; a
// listener may cancel by raising EAbort. Other depths raise "GIF image encoding error".
TCodeStream EncodeRaster(std::int32_t width, std::int32_t height, int depth, bool interlaced,
                         IGIFNotify* progress, const std::uint8_t* pixels);

// The same, appended to codeStream.
void EncodeRaster(std::vector<std::uint8_t>& codeStream, std::int32_t width, std::int32_t height,
                  int depth, bool interlaced, IGIFNotify* progress, const std::uint8_t* pixels);

}  // namespace gif
