#include <string>

#include "CodecFiles.h"
#include "Commands.h"
#include "gif/GIFImage.h"

namespace gifcodec {

int RunCopy(std::span<const std::string> args) {
    std::string file;
    std::string out;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "-o") {
            if (i + 1 >= args.size()) {
                throw EUsageError("-o needs a value");
            }
            out = args[++i];
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw EUsageError("unknown option '" + arg + "'");
        } else if (file.empty()) {
            file = arg;
        } else {
            throw EUsageError("more than one FILE given");
        }
    }
    if (file.empty()) {
        throw EUsageError("no FILE given");
    }
    if (out.empty()) {
        throw EUsageError("no output given (-o OUT.gif)");
    }
    gif::TGIFImage image;
    LoadGifFile(file, image);
    SaveGifFile(out, image);
    return 0;
}

}  // namespace gifcodec
