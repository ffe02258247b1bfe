#include <array>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "Arguments.h"
#include "CodecFiles.h"
#include "Commands.h"
#include "PngFiles.h"
#include "ProgressBar.h"
#include "Render.h"
#include "gif/GIFImage.h"

namespace gifcodec {

namespace {

// OUT.png becomes OUT-007.png for frame 7.
std::string NumberedPath(const std::string& out, int index) {
    char number[16];
    std::snprintf(number, sizeof number, "-%03d", index);
    return out.substr(0, out.size() - 4) + number + out.substr(out.size() - 4);
}

void WriteScreen(const TRenderer& renderer, const std::string& out) {
    const std::vector<std::uint8_t> png = OnFile(
        out, [&] { return PngFromRgba(renderer.Pixels(), renderer.Width(), renderer.Height()); });
    const std::array<std::span<const std::uint8_t>, 1> parts = {std::span<const std::uint8_t>(png)};
    WriteOutputFile(out, parts);
}

}  // namespace

int RunRender(std::span<const std::string> args) {
    std::vector<std::string> operands;
    std::string out;
    std::int64_t frameIndex = -1;
    bool all = false;
    TLoadOptions load;
    TArgumentReader(args)
        .Text("-o", out)
        .Number("--frame", frameIndex, 0, std::numeric_limits<std::int32_t>::max())
        .Flag("--all", all)
        .Number(kMaxPixelsOption, load.MaxPixels, 1, kMostPixels)
        .Read(operands);
    RequireOperands(operands, 1, "FILE");
    RequireOutput(out, "-o OUT.png");
    if (all && frameIndex >= 0) {
        throw EUsageError("--frame and --all exclude each other");
    }
    if (!IsPngPath(out)) {
        throw EUsageError("render writes PNG files: OUT must end in .png");
    }
    const std::string& file = operands[0];

    gif::TGIFImage image;
    TProgressBar progress;
    image.SetNotify(&progress);
    LoadGifFile(file, image, load);
    const int last =
        all ? image.FrameCount() - 1 : static_cast<int>(std::max<std::int64_t>(frameIndex, 0));
    if (last >= image.FrameCount() || image.FrameCount() == 0) {
        throw EFileError(file, "no frame " + std::to_string(last) + " (the image has " +
                                   std::to_string(image.FrameCount()) + ")");
    }
    TRenderer renderer = OnFile(file, [&] { return TRenderer(image); });
    while (renderer.Shown() < last) {
        progress.SetLabel("rendering frame " + std::to_string(renderer.Shown() + 1));
        OnFile(file, [&] { renderer.Next(); });
        if (all) {
            WriteScreen(renderer, NumberedPath(out, renderer.Shown()));
        }
    }
    if (!all) {
        WriteScreen(renderer, out);
    }
    return 0;
}

}  // namespace gifcodec
