#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "gif/GIFBuffer.h"
#include "gif/GIFExtension.h"

namespace gif {

class TGIFImage;

// Parses GIF data into an image that has just been reset: header, logical screen, global table,
// then the blocks up to the trailer. Pixels are not decoded here.
class TGIFReader {
  public:
    // owner keeps data alive; frames' code streams keep a share of it instead of copies.
    TGIFReader(TGIFImage& image, std::span<const std::uint8_t> data,
               std::shared_ptr<const void> owner = {})
        : FImage(image), FData(data, std::move(owner)) {}

    void ReadBlocks();

  private:
    using TExtList = std::vector<TExtension>;

    void ReadHeader();
    void ReadLogicalScreen();
    void ReadGlobalTable(std::uint8_t backgroundIndex);
    std::uint8_t NextBlockIntroducer();
    TExtList ReadExtensionRun(std::uint8_t& ch);
    TExtension ReadOneExtension();
    void ReadFixedPart(TExtension& ext, int size);
    TBlockLines ReadSubBlockLines();
    void ReadImage(TExtList extensions);
    void TakeImageComment(const TExtList& extensions);
    void NoteLoopBlock(const TExtension& ext);

    TGIFImage& FImage;
    TGifBuffer FData;
    bool FHasGlobalTable = false;
};

// True for a "NETSCAPE2.0" or "ANIMEXTS1.0" application block whose first sub-block starts with 1.
bool IsLoopBlock(const TExtension& ext);

}  // namespace gif
