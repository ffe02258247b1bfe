#pragma once

#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace gifcodec {

// A wrong command line: reported as "gifcodec: message" with a hint at --help.
class EUsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Work on a file that failed: reported as "gifcodec: FILE: message".
class EFileError : public std::runtime_error {
  public:
    EFileError(std::string file, const std::string& message)
        : std::runtime_error(message), File(std::move(file)) {}
    std::string File;
};

// One command of the tool. Run gets the arguments after the command name and returns the exit
// status; errors are thrown as the exceptions above (or codec errors, which the caller pins to
// the file being worked on).
struct TCommand {
    std::string_view Name;
    std::string_view Synopsis;  // arguments, as shown by --help
    std::string_view Summary;
    int (*Run)(std::span<const std::string> args);
};

// Every command, in the order --help lists them. New commands are added to this table.
std::span<const TCommand> AllCommands();

int RunInfo(std::span<const std::string> args);
int RunDecode(std::span<const std::string> args);
int RunRender(std::span<const std::string> args);
int RunEncode(std::span<const std::string> args);
int RunCopy(std::span<const std::string> args);
int RunComment(std::span<const std::string> args);

// Exactly count operands (named by what, e.g. "FILE"), or a usage error.
void RequireOperands(const std::vector<std::string>& operands, std::size_t count,
                     std::string_view what);
// The output a writing command needs.
void RequireOutput(const std::string& out, std::string_view hint);
// Whether path names a PNG file (by its extension, in any case).
bool IsPngPath(const std::string& path);

// The usage text of the tool (all commands) or of one command.
std::string UsageText();
std::string CommandUsage(const TCommand& command);

}  // namespace gifcodec
