#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gif/GIFDib.h"
#include "gif/GIFExtension.h"
#include "gif/GIFShared.h"
#include "gif/GIFTypes.h"

namespace gif {

class TGIFImage;
class TGifBuffer;

// One image of a GIF: its descriptor values, colour table, extension blocks and still-encoded
// raster (in the shared item), plus the decoded bitmap, built on demand.
class TGIFFrame {
  public:
    explicit TGIFFrame(TGIFImage* owner);
    TGIFFrame(const TGIFFrame&) = delete;
    TGIFFrame& operator=(const TGIFFrame&) = delete;

    // Reads one image that follows an image separator (0x2C, already consumed).
    void ReadImageBlock(TGifBuffer& data);

    // The bitmap the frame decodes to, without pixels: size, depth and palette.
    TDib DibHeader() const;
    // Raises EFrameTooLarge when the frame has more pixels than its image allows.
    void CheckPixelLimit() const;
    // Decodes the frame into a new bitmap; ORs damage into FIsCorrupt.
    TDib BuildDib();
    // Decodes the frame into pixels: the zero-filled rows of a bitmap laid out as DibHeader says,
    // followed by kPixelReadSlack readable bytes. ORs damage into FIsCorrupt.
    void DecodeInto(std::uint8_t* pixels);
    // The image's damaged-data policy (the process-wide default for a frame without image).
    bool AcceptsDamage() const;
    // The decoded bitmap, decoding on first use. A frame without code stream has an empty one.
    const TDib& FrameBitmap();
    // 0 when the frame has neither bitmap nor code stream, else the bitmap's size (decoding it).
    std::int32_t FrameWidth();
    std::int32_t FrameHeight();

    // Replaces the item by a fresh, empty one (other frames sharing the old one keep it).
    void FreshItem();
    // Replaces the bitmap cache by a new empty bitmap.
    void FreshBitmap();

    // The lines of the last comment extension; with create, one is made when missing. Null when
    // there is none and create is false.
    TBlockLines* FrameComment(bool create);
    void SetFrameComment(const TBlockLines& lines);

    // Takes over another frame's content, sharing its item (null source: a fresh empty frame).
    // Extension blocks other than the comment are not taken.
    void CopyContentFrom(const TGIFFrame* source);

    // The graphic control extension decides transparency, delay and disposal; several of them:
    // the last decides transparency and disposal, the longest delay wins.
    void ApplyGraphicControls();

    // Brings the last graphic control extension in line with delay, transparent colour and
    // disposal (adding one when any of them is set) and drops empty comment extensions.
    void SyncGraphicControl();
    // Encodes the bitmap cache into the frame's code stream, first reducing it to 8 bits when it
    // has more. Raises "No GIF Data to write" without a bitmap.
    void EncodeBitmap();
    // Encodes a bitmap of 1, 4 or 8 bits per pixel: its palette becomes the frame's table (or the
    // image's global table while there is none) and its size the frame's size.
    void EncodeFromDib(const TDib& bitmap);

    TGIFImage* FImageOwner;
    std::unique_ptr<TDib> FBitmapCache;
    std::shared_ptr<TGIFItem> FItem;
    std::vector<TExtension> FExtList;  // graphic control and comment blocks before this image
    std::int32_t FOriginX = 0;
    std::int32_t FOriginY = 0;
    bool FIsInterlaced = false;
    bool FIsCorrupt = false;   // data truncated or damaged
    bool FGrayOnSave = false;  // reduce to grey levels when encoding
    bool FOwnTable = false;    // the frame has a local colour table
    TColor FTransColor = clNone;
    // Delay in milliseconds. Held in 32 bits: the stored delay (up to 65535 hundredths) times 10
    // must survive a load and save unchanged.
    std::uint32_t FDelayMs = 0;
    std::uint8_t FDisposalCode = 0;  // raw 3-bit disposal method

  private:
    void CopyImageBlock(TGifBuffer& data);
    void TableFromQuads(const std::vector<TRgbQuad>& quads, int colorCount);
};

}  // namespace gif
