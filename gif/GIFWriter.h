#pragma once

#include <cstdint>
#include <vector>

#include "gif/GIFExtension.h"
#include "gif/GIFShared.h"

namespace gif {

class TGIFImage;
class TGIFFrame;

// Builds the GIF data of an image whose frames all hold a code stream: header, logical screen,
// global table, looping block, each frame with its extensions, descriptor, local table and code
// stream, the image comment and the trailer. Everything goes into memory, so a failure leaves
// nothing half written.
class TGIFWriter {
  public:
    explicit TGIFWriter(TGIFImage& image) : FImage(image) {}

    std::vector<std::uint8_t> Build();

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
};

}  // namespace gif
