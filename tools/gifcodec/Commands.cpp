#include "Commands.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace gifcodec {

namespace {

constexpr std::array kCommands = {
    TCommand{"info", "FILE [--json] [--max-pixels N]",
             "print the structure: version, logical screen, colour tables, loop block, comment "
             "and every frame with its comment",
             RunInfo},
    TCommand{"decode", "FILE [--frame N] [--max-pixels N] -o OUT.bmp|OUT.png",
             "write frame N (from 0, default 0) as it is stored: a PNG when OUT ends in .png "
             "(its transparent colour kept), a bitmap file otherwise",
             RunDecode},
    TCommand{"render", "FILE [--frame N | --all] [--max-pixels N] -o OUT.png",
             "write frame N (default 0) as a viewer shows it: the frames up to it composited on "
             "the logical screen (transparent background, disposal methods, transparency); --all "
             "writes every frame as OUT-000.png, OUT-001.png, ...",
             RunRender},
    TCommand{"encode",
             "IN.bmp|IN.png... -o OUT.gif [--gray] [--delay MS] [--loop N] [--dispose N] "
             "[--max-pixels N]",
             "make a GIF of bitmap files (1, 4, 8, 24 or 32 bits per pixel) or PNG files, one "
             "frame each; more than 256 colours are reduced to the 256 most frequent (--gray: to "
             "256 grey levels); PNG transparency becomes the frame's transparent colour; --delay, "
             "--dispose (0 to 7) and --loop (0 = for ever, up to 30000) animate",
             RunEncode},
    TCommand{"copy", "FILE [--max-pixels N] -o OUT.gif",
             "read and write again; frames keep their encoded data", RunCopy},
    TCommand{"comment", "FILE TEXT [--max-pixels N] -o OUT.gif",
             "set the image comment (an empty TEXT removes it; -- before a TEXT that starts "
             "with -)",
             RunComment},
};

}  // namespace

std::span<const TCommand> AllCommands() {
    return kCommands;
}

void RequireOperands(const std::vector<std::string>& operands, std::size_t count,
                     std::string_view what) {
    if (operands.size() != count) {
        throw EUsageError((operands.size() < count ? "missing " : "too many operands; needs ") +
                          std::string(what));
    }
}

bool IsPngPath(const std::string& path) {
    if (path.size() < 4) {
        return false;
    }
    std::string end = path.substr(path.size() - 4);
    std::transform(end.begin(), end.end(), end.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return end == ".png";
}

void RequireOutput(const std::string& out, std::string_view hint) {
    if (out.empty()) {
        throw EUsageError("no output given (" + std::string(hint) + ")");
    }
}

std::string CommandUsage(const TCommand& command) {
    return "gifcodec " + std::string(command.Name) + " " + std::string(command.Synopsis) +
           "\n    " + std::string(command.Summary) + "\n";
}

std::string UsageText() {
    std::string text =
        "Usage: gifcodec COMMAND ARGS...\n"
        "Reads and writes GIF87a and GIF89a pictures. FILE or OUT may be - for standard input or "
        "output.\n"
        "Frames above --max-pixels N pixels (default 180000000) are refused before any memory is "
        "taken for them.\n"
        "Exit status 0 on success, 1 on any error.\n\nCommands:\n";
    for (const TCommand& command : kCommands) {
        text += "  " + CommandUsage(command);
    }
    text += "\n  gifcodec --help | gifcodec COMMAND --help\n    show this text\n";
    return text;
}

}  // namespace gifcodec
