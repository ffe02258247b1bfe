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
    TCommand{"encode", "IN.bmp... -o OUT.gif [--gray] [--delay MS] [--loop N] [--dispose N]",
             "make a GIF of bitmap files of 1, 4, 8, 24 or 32 bits per pixel, one frame each; "
             "24- and 32-bit ones are reduced to their 256 most frequent colours (--gray: to 256 "
             "grey levels); --delay, --dispose (0 to 7) and --loop (0 = for ever, up to 30000) "
             "animate",
             RunEncode},
    TCommand{"copy", "FILE -o OUT.gif", "read and write again; frames keep their encoded data",
             RunCopy},
    TCommand{"comment", "FILE TEXT -o OUT.gif", "set the image comment (an empty TEXT removes it)",
             RunComment},
};

}  // namespace

std::span<const TCommand> AllCommands() {
    return kCommands;
}

void TakeFileOperand(const std::string& arg, std::string& file) {
    if (arg.size() > 1 && arg[0] == '-') {
        throw EUsageError("unknown option '" + arg + "'");
    }
    if (!file.empty()) {
        throw EUsageError("more than one FILE given");
    }
    file = arg;
}

void RequireFile(const std::string& file) {
    if (file.empty()) {
        throw EUsageError("no FILE given");
    }
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
        "Exit status 0 on success, 1 on any error.\n\nCommands:\n";
    for (const TCommand& command : kCommands) {
        text += "  " + CommandUsage(command);
    }
    text += "\n  gifcodec --help | gifcodec COMMAND --help\n    show this text\n";
    return text;
}

}  // namespace gifcodec
