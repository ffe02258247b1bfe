#include <string>
#include <vector>

#include "CodecFiles.h"
#include "Commands.h"
#include "gif/GIFImage.h"

namespace gifcodec {

int RunComment(std::span<const std::string> args) {
    std::vector<std::string> positional;
    std::string out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o") {
            if (i + 1 >= args.size()) {
                throw EUsageError("-o needs a value");
            }
            out = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-' && positional.size() != 1) {
            throw EUsageError("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() != 2) {
        throw EUsageError("FILE and TEXT are needed");
    }
    RequireOutput(out, "-o OUT.gif");
    gif::TGIFImage image;
    LoadGifFile(positional[0], image);
    // The whole text is one line; the writer spreads it over as many sub-blocks as it needs.
    image.FShared->FCommentLines.clear();
    if (!positional[1].empty()) {
        image.FShared->FCommentLines.push_back(positional[1]);
    }
    SaveGifFile(out, image);
    return 0;
}

}  // namespace gifcodec
