#include "gif/GIFImage.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <string>

#include "gif/GIFErrors.h"
#include "gif/GIFReader.h"

namespace gif {

TGIFImage::TGIFImage() {
    ResetImage();
}

void TGIFImage::ResetImage() {
    FShared = std::make_shared<TGIFData>();
    FFrameList.clear();
    FActiveFrame = -1;
    FBackColor = clNone;
    FLoopCount = 1;
    FHasLoopBlock = false;
    FGifVersion = gfvNone;
}

void TGIFImage::LoadGifData(std::int64_t length, TStream& stream, bool decodeFirst) {
    ResetImage();
    if (length > 0) {
        // The length comes from the data; check it against the stream before taking memory.
        if (stream.Size() < stream.Position() ||
            static_cast<std::uint64_t>(length) > stream.Size() - stream.Position()) {
            RaiseReadError();
        }
        const auto size = static_cast<std::size_t>(length);
        // The reader works on exactly these bytes, and the frames' code streams keep them: a
        // stream in memory (or a mapped file) lends them, any other is copied once into a
        // private buffer (not zero-filled first: it is read over at once).
        TStream::TSharedBytes data = stream.ReadShared(size);
        if (!data.Owner) {
            std::shared_ptr<std::uint8_t[]> buffer(new std::uint8_t[size]);
            stream.ReadBuffer(buffer.get(), size);
            data.Bytes = std::span<const std::uint8_t>(buffer.get(), size);
            data.Owner = std::move(buffer);
        }
        TGIFReader(*this, data.Bytes, std::move(data.Owner)).ReadBlocks();
    }
    if (!FFrameList.empty()) {
        FActiveFrame = 0;
        if (decodeFirst) {
            try {
                FFrameList.front()->FrameBitmap();
            } catch (...) {
                FFrameList.erase(FFrameList.begin());
                throw;
            }
        }
    }
    FPaletteModified = true;
    NotifyChanged();
}

void TGIFImage::ReadPictureData(TStream& stream) {
    std::uint8_t raw[4];
    stream.ReadBuffer(raw, sizeof raw);
    const auto length = static_cast<std::int32_t>(raw[0] | raw[1] << 8 | raw[2] << 16 |
                                                  std::uint32_t{raw[3]} << 24);
    LoadGifData(length, stream, true);
}

void TGIFImage::ReadFromStream(TStream& stream) {
    const std::uint64_t size = stream.Size();
    const std::uint64_t position = stream.Position();
    LoadGifData(size > position ? static_cast<std::int64_t>(size - position) : 0, stream, true);
}

TGIFFrame& TGIFImage::Frame(int index) {
    if (index < 0 || index >= FrameCount()) {
        throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
    }
    return *FFrameList[static_cast<std::size_t>(index)];
}

TGIFFrame& TGIFImage::NewFrame() {
    return *FFrameList.emplace_back(std::make_unique<TGIFFrame>(this));
}

void TGIFImage::RecalcLogicalSize() {
    // Held to the 16 bits of the logical screen rather than wrapped around.
    constexpr std::int64_t kMaxScreen = std::numeric_limits<std::uint16_t>::max();
    std::int64_t width = 0;
    std::int64_t height = 0;
    for (auto& frame : FFrameList) {
        width = std::max<std::int64_t>(width, std::int64_t{frame->FrameWidth()} + frame->FOriginX);
        height =
            std::max<std::int64_t>(height, std::int64_t{frame->FrameHeight()} + frame->FOriginY);
    }
    FLogicalWidth = static_cast<std::uint16_t>(std::min(width, kMaxScreen));
    FLogicalHeight = static_cast<std::uint16_t>(std::min(height, kMaxScreen));
}

void TGIFImage::CopyContentFrom(const TGIFImage& source) {
    if (&source == this) {
        return;
    }
    FShared = source.FShared;
    FGifVersion = source.FGifVersion;
    FBackColor = source.FBackColor;
    FLoopCount = source.FLoopCount;
    FHasLoopBlock = source.FHasLoopBlock;
    FFrameList.clear();
    for (const auto& sourceFrame : source.FFrameList) {
        auto frame = std::make_unique<TGIFFrame>(this);
        frame->CopyContentFrom(sourceFrame.get());
        frame->FOwnTable = sourceFrame->FOwnTable;
        FFrameList.push_back(std::move(frame));
    }
    FLogicalWidth = source.FLogicalWidth;
    FLogicalHeight = source.FLogicalHeight;
    FActiveFrame = source.FActiveFrame;
    NotifyChanged();
}

void TGIFImage::NotifyChanged() {
    if (FNotify != nullptr) {
        FNotify->Changed();
    }
}

}  // namespace gif
