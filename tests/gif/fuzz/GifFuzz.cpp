// libFuzzer target: arbitrary bytes are loaded as GIF data, under both damaged-data policies of
// the image; every frame is decoded, rendered as a viewer shows it and written as PNG, and the
// rendered screen goes back through the PNG reader into the encoder. The same bytes are also read
// as a PNG file. Codec errors are expected results; anything else (a crash, a sanitizer report,
// another exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "PngFiles.h"
#include "Render.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"
#include "gif/GIFStream.h"

namespace {

// libFuzzer counts a large allocation as a failure by itself: frames and screens above this are
// refused by the codec's own limit, which is thereby fuzzed as well.
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 22;

void EncodeAgain(const gifcodec::TRenderer& renderer) {
    const std::vector<std::uint8_t> png =
        gifcodec::PngFromRgba(renderer.Pixels(), renderer.Width(), renderer.Height());
    gifcodec::TPngPicture picture = gifcodec::ReadPng(png, kMaxPixels, false);
    gif::TGIFImage image;
    gif::TGIFFrame& frame = image.NewFrame();
    frame.FBitmapCache = std::make_unique<gif::TDib>(std::move(picture.Bitmap));
    frame.FTransColor = picture.Transparent;
    gif::TMemoryStream out;
    image.WriteToStream(out);
}

void LoadAndDecode(const std::uint8_t* data, std::size_t size, bool accept) {
    gif::TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
    gif::TGIFImage image;
    image.FAcceptDamaged = accept;
    image.FMaxPixels = kMaxPixels;
    try {
        image.LoadGifData(static_cast<std::int64_t>(size), stream, false);
    } catch (const gif::EGifError&) {
    }
    for (int i = 0; i < image.FrameCount(); ++i) {
        try {
            gif::TGIFFrame& frame = image.Frame(i);
            gifcodec::PngFromDib(frame.BuildDib(), frame.FTransColor);
        } catch (const gif::EGifError&) {
        }
    }
    if (image.FrameCount() == 0) {
        return;
    }
    try {
        gifcodec::TRenderer renderer(image);
        for (int i = 0; i < image.FrameCount(); ++i) {
            renderer.Next();
        }
        EncodeAgain(renderer);
    } catch (const gif::EGifError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LoadAndDecode(data, size, true);
    LoadAndDecode(data, size, false);
    try {
        gifcodec::ReadPng(std::span<const std::uint8_t>(data, size), kMaxPixels, size % 2 == 0);
    } catch (const gif::EGifError&) {
    }
    return 0;
}
