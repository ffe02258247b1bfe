#include <string>
#include <vector>

#include "Arguments.h"
#include "CodecFiles.h"
#include "Commands.h"
#include "gif/GIFImage.h"

namespace gifcodec {

int RunComment(std::span<const std::string> args) {
    std::vector<std::string> operands;
    std::string out;
    TLoadOptions load;
    TArgumentReader(args)
        .Text("-o", out)
        .Number(kMaxPixelsOption, load.MaxPixels, 1, kMostPixels)
        .Read(operands);
    RequireOperands(operands, 2, "FILE and TEXT");
    RequireOutput(out, "-o OUT.gif");
    gif::TGIFImage image;
    LoadGifFile(operands[0], image, load);
    // The whole text is one line; the writer spreads it over as many sub-blocks as it needs.
    image.FShared->FCommentLines.clear();
    if (!operands[1].empty()) {
        image.FShared->FCommentLines.push_back(operands[1]);
    }
    SaveGifFile(out, image);
    return 0;
}

}  // namespace gifcodec
