#include <string>
#include <vector>

#include "Arguments.h"
#include "CodecFiles.h"
#include "Commands.h"
#include "gif/GIFImage.h"

namespace gifcodec {

int RunCopy(std::span<const std::string> args) {
    std::vector<std::string> operands;
    std::string out;
    TLoadOptions load;
    TArgumentReader(args)
        .Text("-o", out)
        .Number(kMaxPixelsOption, load.MaxPixels, 1, kMostPixels)
        .Read(operands);
    RequireOperands(operands, 1, "FILE");
    RequireOutput(out, "-o OUT.gif");
    gif::TGIFImage image;
    LoadGifFile(operands[0], image, load);
    SaveGifFile(out, image);
    return 0;
}

}  // namespace gifcodec
