#pragma once

#include <cstdint>
#include <vector>

#include "gif/GIFImage.h"

namespace gifcodec {

// Frames as a viewer shows them: composited in order on the logical screen, which starts out
// transparent (the screen's background colour counts as transparent, as browsers show it). A
// frame's transparent index leaves the screen visible; its disposal method acts before the next
// frame: 2 clears its rectangle to transparent, 3 puts back what it covered, others leave it.
class TRenderer {
  public:
    // Raises gif::EFrameTooLarge when the screen has more pixels than the image allows.
    explicit TRenderer(gif::TGIFImage& image);

    // Composites the next frame (decoding it); the screen then shows it.
    void Next();
    int Shown() const { return FNext - 1; }

    std::int32_t Width() const { return FWidth; }
    std::int32_t Height() const { return FHeight; }
    // Red, green, blue and alpha of each pixel, rows top-down.
    const std::uint8_t* Pixels() const { return FScreen.data(); }

  private:
    struct TRect {
        std::int32_t Left = 0;
        std::int32_t Top = 0;
        std::int32_t Right = 0;
        std::int32_t Bottom = 0;
    };
    TRect Clipped(const gif::TGIFFrame& frame) const;
    void Dispose();

    gif::TGIFImage& FImage;
    std::int32_t FWidth = 0;
    std::int32_t FHeight = 0;
    std::vector<std::uint8_t> FScreen;
    int FNext = 0;
    // What the last frame asks to be done before the next, and the screen it covered.
    int FDisposal = 0;
    TRect FLastRect;
    std::vector<std::uint8_t> FSaved;
};

}  // namespace gifcodec
