#include <array>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CodecFiles.h"
#include "Commands.h"
#include "PngFiles.h"
#include "ProgressBar.h"
#include "gif/GIFDib.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gifcodec {

namespace {

constexpr std::uint64_t kMaxBitmapFile = std::numeric_limits<std::uint32_t>::max();

// The frame decoded straight into the memory that is written out: headers, then the rows.
void WriteBitmapFile(gif::TGIFFrame& frame, const std::string& file, const std::string& out) {
    const gif::TDib dib = OnFile(file, [&] {
        frame.CheckPixelLimit();
        return frame.DibHeader();
    });
    const std::vector<std::uint8_t> headers = dib.Headers();
    const std::uint64_t size = headers.size() + std::uint64_t{dib.ImageSize()};
    // The file's size field has 32 bits.
    if (size > kMaxBitmapFile) {
        throw EFileError(out, "a bitmap file of " + std::to_string(size) +
                                  " bytes would pass the 4 GiB a bitmap file can hold");
    }
    TOutputBuffer buffer(static_cast<std::size_t>(size) + gif::kPixelReadSlack);
    std::memcpy(buffer.Data(), headers.data(), headers.size());
    OnFile(file, [&] { frame.DecodeInto(buffer.Data() + headers.size()); });
    const std::array<std::span<const std::uint8_t>, 1> parts = {
        std::span<const std::uint8_t>(buffer.Data(), static_cast<std::size_t>(size))};
    WriteOutputFile(out, parts);
}

void WritePngFile(gif::TGIFFrame& frame, const std::string& file, const std::string& out) {
    const gif::TDib dib = OnFile(file, [&] { return frame.BuildDib(); });
    const std::vector<std::uint8_t> png =
        OnFile(out, [&] { return PngFromDib(dib, frame.FTransColor); });
    const std::array<std::span<const std::uint8_t>, 1> parts = {std::span<const std::uint8_t>(png)};
    WriteOutputFile(out, parts);
}

}  // namespace

int RunDecode(std::span<const std::string> args) {
    std::vector<std::string> operands;
    std::string out;
    std::int64_t frameIndex = 0;
    TLoadOptions load;
    TArgumentReader(args)
        .Text("-o", out)
        .Number("--frame", frameIndex, 0, std::numeric_limits<std::int32_t>::max())
        .Number(kMaxPixelsOption, load.MaxPixels, 1, kMostPixels)
        .Read(operands);
    RequireOperands(operands, 1, "FILE");
    RequireOutput(out, "-o OUT.bmp or -o OUT.png");
    const std::string& file = operands[0];

    gif::TGIFImage image;
    TProgressBar progress;
    progress.SetLabel("decoding frame " + std::to_string(frameIndex));
    image.SetNotify(&progress);
    LoadGifFile(file, image, load);
    if (frameIndex >= image.FrameCount()) {
        throw EFileError(file, "no frame " + std::to_string(frameIndex) + " (the image has " +
                                   std::to_string(image.FrameCount()) + ")");
    }
    gif::TGIFFrame& frame = image.Frame(static_cast<int>(frameIndex));
    if (IsPngPath(out)) {
        WritePngFile(frame, file, out);
    } else {
        WriteBitmapFile(frame, file, out);
    }
    return 0;
}

}  // namespace gifcodec
