#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "gif/GIFExtension.h"
#include "gif/GIFShared.h"

namespace gif {

class TGIFImage;
class TGIFFrame;

// Builds the GIF data of an image whose frames all hold a code stream: header, logical screen,
// global table, looping block, each frame with its extensions, descriptor, local table and code
// stream, the image comment and the trailer. Everything is built in memory first, so a failure
// leaves nothing half written; the frames' code streams are not copied but put in between the
// writer's own bytes.
class TGIFWriter {
  public:
    explicit TGIFWriter(TGIFImage& image) : FImage(image) {}

    // The whole GIF as parts to be written one after the other. They refer to the writer's own
    // bytes and the frames' code streams: valid while both are unchanged.
    std::vector<std::span<const std::uint8_t>> Build();

  private:
    void CheckFrameBounds();
    void WriteHeader();
    void WriteLogicalScreen();
    void WriteLoopBlock();
    void WriteExtensionList(const std::vector<TExtension>& list);
    void WriteSubBlockLines(const TBlockLines& lines);
    void WriteImageDescriptor(const TGIFFrame& frame);
    void WriteLocalTable(const TGIFFrame& frame);
    void WriteCodeStream(const TGIFFrame& frame);
    void WriteComment();

    void PutByte(std::uint8_t value) { FOut.push_back(value); }
    void PutLe16(std::int32_t value);
    void PutBytes(const std::uint8_t* bytes, std::size_t count);

    TGIFImage& FImage;
    std::vector<std::uint8_t> FOut;
    // Each frame's code stream goes in after that many bytes of FOut.
    std::vector<std::pair<std::size_t, std::span<const std::uint8_t>>> FCodeStreams;
};

}  // namespace gif
