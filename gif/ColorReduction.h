#pragma once

#include <cstdint>

#include "gif/GIFDib.h"

namespace gif {

// Ways of bringing a bitmap of more than 256 colours down to an 8-bit one. Only these two are
// used by the writer; the numbers are those the persisted settings of the picture system know.
enum TReductionMethod : std::uint8_t { rmPopularity = 0, rmGrey = 5 };

// Process-wide method for bitmaps that are not already 1, 4 or 8 bits per pixel. A frame that is
// to be saved in grey levels uses rmGrey instead.
extern TReductionMethod GifSaveReduction;

// An 8-bit bitmap with a 256-entry palette from a 24- or 32-bit one (alpha is ignored).
// rmPopularity: the 256 most frequent colours (colours coarsened until at most 2049 distinct ones
// remain), the rest mapped to the nearest of them, unused entries grey; rmGrey: the 256 grey
// levels. A bitmap without pixels raises EInvalidGraphic "Bitmap ist ungültig"; other depths raise
// "GIF image encoding error".
TDib ReduceToIndexed(const TDib& bitmap, TReductionMethod method);

}  // namespace gif
