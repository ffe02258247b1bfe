#include "Render.h"

#include <algorithm>
#include <cstring>

#include "gif/GIFErrors.h"

namespace gifcodec {

namespace {

constexpr int kDisposeToBackground = 2;
constexpr int kDisposeToPrevious = 3;
constexpr std::size_t kChannels = 4;

// The transparent index as the last graphic control block before the frame gives it: viewers
// go by the index, so another entry of the same colour stays visible. -1 for none.
int TransparentIndex(const gif::TGIFFrame& frame) {
    int index = -1;
    for (const gif::TExtension& ext : frame.FExtList) {
        if (ext.FExtKind == gif::ekGraphicControl) {
            index = ext.TransparencyFlag() ? ext.TransparentIndex() : -1;
        }
    }
    return index;
}

}  // namespace

TRenderer::TRenderer(gif::TGIFImage& image) : FImage(image) {
    std::int64_t width = image.FLogicalWidth;
    std::int64_t height = image.FLogicalHeight;
    // A screen of no size: the frames' extent instead.
    if (width == 0 || height == 0) {
        for (const auto& frame : image.FFrameList) {
            width = std::max<std::int64_t>(
                width, std::int64_t{frame->FOriginX} + frame->FItem->FPixelWidth);
            height = std::max<std::int64_t>(
                height, std::int64_t{frame->FOriginY} + frame->FItem->FPixelHeight);
        }
    }
    if (width * height > image.FMaxPixels) {
        throw gif::EFrameTooLarge(width, height, image.FMaxPixels);
    }
    FWidth = static_cast<std::int32_t>(width);
    FHeight = static_cast<std::int32_t>(height);
    FScreen.assign(static_cast<std::size_t>(width * height) * kChannels, 0);
}

TRenderer::TRect TRenderer::Clipped(const gif::TGIFFrame& frame) const {
    const std::int64_t left = frame.FOriginX;
    const std::int64_t top = frame.FOriginY;
    TRect rect;
    rect.Left = static_cast<std::int32_t>(std::clamp<std::int64_t>(left, 0, FWidth));
    rect.Top = static_cast<std::int32_t>(std::clamp<std::int64_t>(top, 0, FHeight));
    rect.Right = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(left + frame.FItem->FPixelWidth, rect.Left, FWidth));
    rect.Bottom = static_cast<std::int32_t>(
        std::clamp<std::int64_t>(top + frame.FItem->FPixelHeight, rect.Top, FHeight));
    return rect;
}

void TRenderer::Dispose() {
    const std::size_t rowBytes = static_cast<std::size_t>(FWidth) * kChannels;
    const std::size_t spanBytes =
        static_cast<std::size_t>(FLastRect.Right - FLastRect.Left) * kChannels;
    if (spanBytes == 0) {
        return;
    }
    for (std::int32_t y = FLastRect.Top; y < FLastRect.Bottom; ++y) {
        std::uint8_t* row = FScreen.data() + y * rowBytes + FLastRect.Left * kChannels;
        if (FDisposal == kDisposeToBackground) {
            std::memset(row, 0, spanBytes);
        } else if (FDisposal == kDisposeToPrevious) {
            std::memcpy(row, FSaved.data() + (y - FLastRect.Top) * spanBytes, spanBytes);
        }
    }
}

void TRenderer::Next() {
    gif::TGIFFrame& frame = FImage.Frame(FNext);
    Dispose();
    const TRect rect = Clipped(frame);
    const std::size_t rowBytes = static_cast<std::size_t>(FWidth) * kChannels;
    const std::size_t spanBytes = static_cast<std::size_t>(rect.Right - rect.Left) * kChannels;
    FDisposal = frame.FDisposalCode;
    FLastRect = rect;
    if (FDisposal == kDisposeToPrevious && spanBytes > 0) {
        FSaved.resize(spanBytes * static_cast<std::size_t>(rect.Bottom - rect.Top));
        for (std::int32_t y = rect.Top; y < rect.Bottom; ++y) {
            std::memcpy(FSaved.data() + (y - rect.Top) * spanBytes,
                        FScreen.data() + y * rowBytes + rect.Left * kChannels, spanBytes);
        }
    }
    const gif::TDib dib = frame.BuildDib();
    const int transparent = TransparentIndex(frame);
    for (std::int32_t y = rect.Top; y < rect.Bottom; ++y) {
        std::uint8_t* out = FScreen.data() + y * rowBytes;
        for (std::int32_t x = rect.Left; x < rect.Right; ++x) {
            const int index = dib.PixelIndex(x - frame.FOriginX, y - frame.FOriginY);
            if (index == transparent || static_cast<std::size_t>(index) >= dib.Palette.size()) {
                continue;
            }
            const gif::TRgbQuad& quad = dib.Palette[static_cast<std::size_t>(index)];
            std::uint8_t* pixel = out + x * kChannels;
            pixel[0] = quad[2];
            pixel[1] = quad[1];
            pixel[2] = quad[0];
            pixel[3] = 0xFF;
        }
    }
    ++FNext;
}

}  // namespace gifcodec
