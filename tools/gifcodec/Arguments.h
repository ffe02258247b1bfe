#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace gifcodec {

// The one argument reader of every command. A command declares its options with the variables
// they set, then reads: options may stand anywhere, "--" ends them, "-" alone is an operand
// (standard input or output), and every mistake raises EUsageError naming the flag.
class TArgumentReader {
  public:
    explicit TArgumentReader(std::span<const std::string> args) : FArgs(args) {}

    TArgumentReader& Flag(std::string_view name, bool& value);
    TArgumentReader& Text(std::string_view name, std::string& value);
    // A whole number from lowest to highest, parsed with std::from_chars.
    TArgumentReader& Number(std::string_view name, std::int64_t& value, std::int64_t lowest,
                            std::int64_t highest);

    // Reads the arguments; what is not an option goes to operands, in order.
    void Read(std::vector<std::string>& operands);

  private:
    enum class TKind { Flag, Text, Number };
    struct TOption {
        std::string_view Name;
        TKind Kind;
        void* Value;
        std::int64_t Lowest = 0;
        std::int64_t Highest = 0;
    };

    void Take(const TOption& option, const std::string& value) const;

    std::span<const std::string> FArgs;
    std::vector<TOption> FOptions;
};

// The option every command that decodes takes: the most pixels a frame may have, up to the most a
// GIF can hold.
inline constexpr std::string_view kMaxPixelsOption = "--max-pixels";
inline constexpr std::int64_t kMostPixels = std::int64_t{65535} * 65535;

}  // namespace gifcodec
