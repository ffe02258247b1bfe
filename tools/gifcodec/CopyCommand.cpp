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
        } else {
            TakeFileOperand(arg, file);
        }
    }
    RequireFile(file);
    RequireOutput(out, "-o OUT.gif");
    gif::TGIFImage image;
    LoadGifFile(file, image);
    SaveGifFile(out, image);
    return 0;
}

}  // namespace gifcodec
