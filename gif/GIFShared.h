#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "gif/GIFTypes.h"

// The reference-counted parts of an image. Copies of an image or frame share them through
// std::shared_ptr; nobody writes into a shared object, changes go to a fresh one.
namespace gif {

// One string per data sub-block (raw bytes, up to 255 each); sub-blocks are never joined.
using TBlockLines = std::vector<std::string>;

// Image-wide data.
struct TGIFData {
    TBlockLines FCommentLines;
    std::uint8_t FAspect = 0;      // pixel aspect ratio byte as stored
    std::uint8_t FGlobalBits = 0;  // bits per pixel of the global table, 1 to 8
    std::uint8_t FColorBits = 0;   // colour resolution, 1 to 8
    TGIFPalette FGlobalTable;      // Count 0: no global colour table
};

// Per-frame data.
struct TGIFItem {
    // The raster exactly as stored: minimum code size byte, each data sub-block with its size
    // byte, then the zero terminator (absent when the data were cut short). None for a frame
    // that does not come from GIF data.
    std::optional<std::vector<std::uint8_t>> FCodeStream;
    std::int32_t FPixelWidth = 0;
    std::int32_t FPixelHeight = 0;
    std::uint8_t FDescFlags = 0;  // image descriptor packed fields as read
    std::uint8_t FItemBits = 0;   // bits per pixel of the frame's table, 0 when none is known
    TGIFPalette FItemTable;       // the local table or a copy of the global one

    bool HasCodeData() const { return FCodeStream && !FCodeStream->empty(); }
};

}  // namespace gif
