#include <memory>
#include <string>
#include <vector>

#include "CodecFiles.h"
#include "Commands.h"
#include "ProgressBar.h"
#include "gif/BitmapFile.h"
#include "gif/GIFErrors.h"
#include "gif/GIFImage.h"

namespace gifcodec {

namespace {

constexpr long kMaxDelayMs = 655350;  // 65535 hundredths of a second
constexpr long kMaxLoopCount = 30000;
constexpr long kMaxDisposal = 7;

struct TEncodeOptions {
    std::vector<std::string> Inputs;
    std::string Out;
    bool Gray = false;
    long DelayMs = 0;
    long Disposal = 0;
    long LoopCount = -1;  // no looping block
};

long ParseNumber(const std::string& option, const std::string& text, long highest) {
    std::size_t used = 0;
    long value = -1;
    try {
        value = std::stol(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || value < 0 || value > highest) {
        throw EUsageError(option + " needs a number from 0 to " + std::to_string(highest) +
                          ", not '" + text + "'");
    }
    return value;
}

TEncodeOptions ParseOptions(std::span<const std::string> args) {
    TEncodeOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o" || arg == "--delay" || arg == "--loop" || arg == "--dispose") {
            if (i + 1 >= args.size()) {
                throw EUsageError(arg + " needs a value");
            }
            const std::string& value = args[++i];
            if (arg == "-o") {
                options.Out = value;
            } else if (arg == "--delay") {
                options.DelayMs = ParseNumber(arg, value, kMaxDelayMs);
            } else if (arg == "--loop") {
                options.LoopCount = ParseNumber(arg, value, kMaxLoopCount);
            } else {
                options.Disposal = ParseNumber(arg, value, kMaxDisposal);
            }
        } else if (arg == "--gray") {
            options.Gray = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw EUsageError("unknown option '" + arg + "'");
        } else {
            options.Inputs.push_back(arg);
        }
    }
    if (options.Inputs.empty()) {
        throw EUsageError("no input bitmap given");
    }
    RequireOutput(options.Out, "-o OUT.gif");
    return options;
}

}  // namespace

int RunEncode(std::span<const std::string> args) {
    const TEncodeOptions options = ParseOptions(args);
    gif::TGIFImage image;
    TProgressBar progress;
    progress.SetLabel("encoding");
    image.SetNotify(&progress);
    image.FGifVersion = gif::gfv87a;
    for (const std::string& input : options.Inputs) {
        gif::TGIFFrame& frame = image.NewFrame();
        try {
            frame.FBitmapCache =
                std::make_unique<gif::TDib>(gif::DibFromFileImage(ReadInputFile(input)));
        } catch (const gif::EGifError& error) {
            throw EFileError(input, error.what());
        }
        frame.FGrayOnSave = options.Gray;
        frame.FDelayMs = static_cast<std::uint32_t>(options.DelayMs);
        frame.FDisposalCode = static_cast<std::uint8_t>(options.Disposal);
    }
    image.FActiveFrame = image.FrameCount() - 1;
    if (image.FrameCount() > 1) {
        image.FGifVersion = gif::gfv89a;
    }
    if (options.LoopCount >= 0) {
        image.FHasLoopBlock = true;
        image.FLoopCount = static_cast<std::int16_t>(options.LoopCount);
    }
    SaveGifFile(options.Out, image);
    return 0;
}

}  // namespace gifcodec
