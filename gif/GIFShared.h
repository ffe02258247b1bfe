#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
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

// A frame's raster as stored. Read from GIF data it is a view into the loaded bytes, which it keeps
// alive: the frames of one load share them and nothing is copied. Made by the encoder (or a test)
// it owns its bytes. Never changed once made.
class TCodeStream {
  public:
    TCodeStream() = default;
    // Owns bytes.
    TCodeStream(std::vector<std::uint8_t> bytes)  // NOLINT: a code stream is its bytes
        : TCodeStream(std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes))) {}
    // A view into bytes that owner keeps.
    TCodeStream(std::shared_ptr<const void> owner, std::span<const std::uint8_t> bytes)
        : FOwner(std::move(owner)), FBytes(bytes) {}

    std::span<const std::uint8_t> Bytes() const { return FBytes; }
    const std::uint8_t* data() const { return FBytes.data(); }
    std::size_t size() const { return FBytes.size(); }
    bool empty() const { return FBytes.empty(); }
    const std::uint8_t* begin() const { return FBytes.data(); }
    const std::uint8_t* end() const { return FBytes.data() + FBytes.size(); }

    friend bool operator==(const TCodeStream& a, const TCodeStream& b) {
        return std::equal(a.begin(), a.end(), b.begin(), b.end());
    }

  private:
    explicit TCodeStream(std::shared_ptr<const std::vector<std::uint8_t>> owned)
        : FOwner(owned), FBytes(*owned) {}

    std::shared_ptr<const void> FOwner;
    std::span<const std::uint8_t> FBytes;
};

// Per-frame data.
struct TGIFItem {
    // The raster exactly as stored: minimum code size byte, each data sub-block with its size
    // byte, then the zero terminator (absent when the data were cut short). None for a frame
    // that does not come from GIF data.
    std::optional<TCodeStream> FCodeStream;
    std::int32_t FPixelWidth = 0;
    std::int32_t FPixelHeight = 0;
    std::uint8_t FDescFlags = 0;  // image descriptor packed fields as read
    std::uint8_t FItemBits = 0;   // bits per pixel of the frame's table, 0 when none is known
    TGIFPalette FItemTable;       // the local table or a copy of the global one

    bool HasCodeData() const { return FCodeStream && !FCodeStream->empty(); }
};

}  // namespace gif
