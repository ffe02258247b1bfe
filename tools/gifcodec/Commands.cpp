#include "Commands.h"

#include <array>

namespace gifcodec {

namespace {

constexpr std::array kCommands = {
    TCommand{"info", "FILE [--json]",
             "print the structure: version, logical screen, colour tables, loop block, comment "
             "and every frame",
             RunInfo},
    TCommand{"decode", "FILE [--frame N] -o OUT.bmp",
             "write frame N (from 0, default 0) as a bitmap file", RunDecode},
};

}  // namespace

std::span<const TCommand> AllCommands() {
    return kCommands;
}

std::string CommandUsage(const TCommand& command) {
    return "gifcodec " + std::string(command.Name) + " " + std::string(command.Synopsis) +
           "\n    " + std::string(command.Summary) + "\n";
}

std::string UsageText() {
    std::string text =
        "Usage: gifcodec COMMAND ARGS...\n"
        "Reads GIF87a and GIF89a pictures. FILE or OUT may be - for standard input or output.\n"
        "Exit status 0 on success, 1 on any error.\n\nCommands:\n";
    for (const TCommand& command : kCommands) {
        text += "  " + CommandUsage(command);
    }
    text += "\n  gifcodec --help | gifcodec COMMAND --help\n    show this text\n";
    return text;
}

}  // namespace gifcodec
