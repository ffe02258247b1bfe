#include <array>
#include <cstdint>
#include <string>

#include "CodecFiles.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "gif/GIFDib.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gifcodec {

namespace {

int ParseFrameIndex(const std::string& text) {
    std::size_t used = 0;
    int value = -1;
    try {
        value = std::stoi(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value < 0) {
        throw EUsageError("--frame needs a number from 0 up, not '" + text + "'");
    }
    return value;
}

}  // namespace

int RunDecode(std::span<const std::string> args) {
    std::string file;
    std::string out;
    int frameIndex = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--frame" || arg == "-o") {
            if (!hasValue) {
                throw EUsageError(arg + " needs a value");
            }
            const std::string& value = args[++i];
            if (arg == "-o") {
                out = value;
            } else {
                frameIndex = ParseFrameIndex(value);
            }
        } else {
            TakeFileOperand(arg, file);
        }
    }
    RequireFile(file);
    RequireOutput(out, "-o OUT.bmp");

    gif::TGIFImage image;
    TProgressBar progress;
    progress.SetLabel("decoding frame " + std::to_string(frameIndex));
    image.SetNotify(&progress);
    LoadGifFile(file, image);
    if (frameIndex >= image.FrameCount()) {
        throw EFileError(file, "no frame " + std::to_string(frameIndex) + " (the image has " +
                                   std::to_string(image.FrameCount()) + ")");
    }
    gif::TDib dib;
    try {
        dib = image.Frame(frameIndex).BuildDib();
    } catch (const gif::EGifError& error) {
        throw EFileError(file, error.what());
    }
    const std::vector<std::uint8_t> headers = dib.Headers();
    const std::array<std::span<const std::uint8_t>, 2> parts = {
        std::span<const std::uint8_t>(headers),
        std::span<const std::uint8_t>(dib.Pixels.Data(), dib.ImageSize())};
    WriteOutputFile(out, parts);
    return 0;
}

}  // namespace gifcodec
