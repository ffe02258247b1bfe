#include <memory>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CodecFiles.h"
#include "Commands.h"
#include "PngFiles.h"
#include "ProgressBar.h"
#include "gif/BitmapFile.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gifcodec {

namespace {

constexpr std::int64_t kMaxDelayMs = 655350;  // 65535 hundredths of a second
constexpr std::int64_t kMaxLoopCount = 30000;
constexpr std::int64_t kMaxDisposal = 7;

// A bitmap file's rows are lent from the mapped file, not copied; a PNG is decoded.
void ReadFrame(gif::TGIFFrame& frame, const std::string& input, std::int64_t maxPixels, bool gray) {
    const TInputFile file(input);
    OnFile(input, [&] {
        if (IsPng(file.Bytes())) {
            TPngPicture picture = ReadPng(file.Bytes(), maxPixels, gray);
            frame.FBitmapCache = std::make_unique<gif::TDib>(std::move(picture.Bitmap));
            frame.FTransColor = picture.Transparent;
            return;
        }
        frame.FBitmapCache = std::make_unique<gif::TDib>(
            gif::DibFromFileImage(file.Bytes(), file.Owner(), file.Readable()));
        const gif::TDib& dib = *frame.FBitmapCache;
        if (std::int64_t{dib.Width} * dib.Height > maxPixels) {
            throw gif::EFrameTooLarge(dib.Width, dib.Height, maxPixels);
        }
    });
}

}  // namespace

int RunEncode(std::span<const std::string> args) {
    std::vector<std::string> inputs;
    std::string out;
    bool gray = false;
    std::int64_t delayMs = 0;
    std::int64_t disposal = 0;
    std::int64_t loopCount = -1;  // no looping block
    std::int64_t maxPixels = gif::kDefaultMaxPixels;
    TArgumentReader(args)
        .Text("-o", out)
        .Flag("--gray", gray)
        .Number("--delay", delayMs, 0, kMaxDelayMs)
        .Number("--loop", loopCount, 0, kMaxLoopCount)
        .Number("--dispose", disposal, 0, kMaxDisposal)
        .Number(kMaxPixelsOption, maxPixels, 1, kMostPixels)
        .Read(inputs);
    if (inputs.empty()) {
        throw EUsageError("no input bitmap given");
    }
    RequireOutput(out, "-o OUT.gif");

    gif::TGIFImage image;
    TProgressBar progress;
    progress.SetLabel("encoding");
    image.SetNotify(&progress);
    image.FGifVersion = gif::gfv87a;
    for (const std::string& input : inputs) {
        gif::TGIFFrame& frame = image.NewFrame();
        ReadFrame(frame, input, maxPixels, gray);
        frame.FGrayOnSave = gray;
        frame.FDelayMs = static_cast<std::uint32_t>(delayMs);
        frame.FDisposalCode = static_cast<std::uint8_t>(disposal);
    }
    image.FActiveFrame = image.FrameCount() - 1;
    if (image.FrameCount() > 1) {
        image.FGifVersion = gif::gfv89a;
    }
    if (loopCount >= 0) {
        image.FHasLoopBlock = true;
        image.FLoopCount = static_cast<std::int16_t>(loopCount);
    }
    SaveGifFile(out, image);
    return 0;
}

}  // namespace gifcodec
