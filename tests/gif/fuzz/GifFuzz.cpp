// libFuzzer target: arbitrary bytes are loaded as GIF data and every frame is decoded, under
// both settings of AcceptDamagedGif. Codec errors are expected results; anything else (a crash,
// a sanitizer report, another exception, a hang) is a finding.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"
#include "gif/GIFStream.h"

namespace {

// libFuzzer counts a large allocation as a failure by itself; frames above this area are read
// but not decoded (their bitmap alone would pass the fuzzer's memory limit).
constexpr std::int64_t kMaxDecodedPixels = std::int64_t{1} << 26;

void LoadAndDecode(const std::uint8_t* data, std::size_t size, bool accept) {
    gif::AcceptDamagedGif = accept;
    gif::TMemoryStream stream(std::vector<std::uint8_t>(data, data + size));
    gif::TGIFImage image;
    try {
        image.LoadGifData(static_cast<std::int64_t>(size), stream, false);
    } catch (const gif::EGifError&) {
    }
    for (int i = 0; i < image.FrameCount(); ++i) {
        gif::TGIFFrame& frame = image.Frame(i);
        if (std::int64_t{frame.FItem->FPixelWidth} * frame.FItem->FPixelHeight >
            kMaxDecodedPixels) {
            continue;
        }
        try {
            frame.FrameBitmap();
        } catch (const gif::EGifError&) {
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    LoadAndDecode(data, size, true);
    LoadAndDecode(data, size, false);
    return 0;
}
