#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "gif/GIFFrame.h"
#include "gif/GIFShared.h"
#include "gif/GIFStream.h"
#include "gif/GIFTypes.h"

namespace gif {

// A GIF picture: image-wide data (logical screen, global table, comment, looping block) and its
// frames in stream order. Frames keep their raster encoded and decode on demand. The picture
// system of the platform layer wraps this class; it hears of progress and changes through
// IGIFNotify.
class TGIFImage {
  public:
    TGIFImage();
    virtual ~TGIFImage() = default;
    TGIFImage(const TGIFImage&) = delete;
    TGIFImage& operator=(const TGIFImage&) = delete;

    // The empty state: fresh shared data, no frames, no active frame, no colours, loop count 1.
    void ResetImage();

    // Reads length bytes of GIF data from stream (the reader proper). With decodeFirst the first
    // frame is decoded at once; if that fails the frame is dropped and the error propagates.
    void LoadGifData(std::int64_t length, TStream& stream, bool decodeFirst);
    // The image's half of a persisted picture record: 32-bit little-endian length, then the data.
    void ReadPictureData(TStream& stream);
    // The rest of the stream.
    void ReadFromStream(TStream& stream);

    // The image's half of a persisted picture record: 32-bit little-endian length, then the data.
    void WritePictureData(TStream& stream);
    // The GIF data alone.
    void WriteToStream(TStream& stream);
    // Encodes frames that have only a bitmap, syncs every graphic control extension, builds the
    // whole GIF in memory and only then writes it (after its length, withLength). Without frames
    // it raises "No GIF Data to write"; on any error the stream receives nothing.
    void SaveGifData(TStream& stream, bool withLength);
    void EncodeAllFrames();

    int FrameCount() const { return static_cast<int>(FFrameList.size()); }
    // Raises std::out_of_range for an index outside the list.
    TGIFFrame& Frame(int index);
    // Appends an empty frame owned by this image.
    TGIFFrame& NewFrame();

    // Logical screen = the extent of all frames (decodes frames not decoded yet).
    void RecalcLogicalSize();

    // Takes over another image's content, sharing its data and frame items.
    void CopyContentFrom(const TGIFImage& source);
    // True only when both hold the very same shared data.
    bool SharesDataWith(const TGIFImage& other) const { return FShared == other.FShared; }

    void SetNotify(IGIFNotify* notify) { FNotify = notify; }
    IGIFNotify* Notify() const { return FNotify; }
    void NotifyChanged();

    std::shared_ptr<TGIFData> FShared;
    TGifVersion FGifVersion = gfvNone;
    std::vector<std::unique_ptr<TGIFFrame>> FFrameList;
    std::int32_t FActiveFrame = -1;
    std::uint16_t FLogicalWidth = 0;
    std::uint16_t FLogicalHeight = 0;
    TColor FBackColor = clNone;
    bool FHasLoopBlock = false;
    std::int16_t FLoopCount = 1;
    bool FPaletteModified = false;
    // Policies of this image, kept across loads: whether damaged raster data are tolerated (the
    // frame is marked corrupt) or raise, and the most pixels a frame may have (EFrameTooLarge).
    bool FAcceptDamaged = AcceptDamagedGif;
    std::int64_t FMaxPixels = kDefaultMaxPixels;

  private:
    IGIFNotify* FNotify = nullptr;
};

}  // namespace gif
