#include "Arguments.h"

#include <algorithm>
#include <charconv>

#include "Commands.h"

namespace gifcodec {

TArgumentReader& TArgumentReader::Flag(std::string_view name, bool& value) {
    FOptions.push_back({name, TKind::Flag, &value});
    return *this;
}

TArgumentReader& TArgumentReader::Text(std::string_view name, std::string& value) {
    FOptions.push_back({name, TKind::Text, &value});
    return *this;
}

TArgumentReader& TArgumentReader::Number(std::string_view name, std::int64_t& value,
                                         std::int64_t lowest, std::int64_t highest) {
    FOptions.push_back({name, TKind::Number, &value, lowest, highest});
    return *this;
}

void TArgumentReader::Read(std::vector<std::string>& operands) {
    bool optionsEnded = false;
    for (std::size_t i = 0; i < FArgs.size(); ++i) {
        const std::string& arg = FArgs[i];
        if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
            operands.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        const auto option = std::find_if(FOptions.begin(), FOptions.end(),
                                         [&](const TOption& o) { return o.Name == arg; });
        if (option == FOptions.end()) {
            throw EUsageError("unknown option '" + arg + "'");
        }
        if (option->Kind == TKind::Flag) {
            *static_cast<bool*>(option->Value) = true;
            continue;
        }
        if (i + 1 >= FArgs.size()) {
            throw EUsageError(arg + " needs a value");
        }
        Take(*option, FArgs[++i]);
    }
}

void TArgumentReader::Take(const TOption& option, const std::string& value) const {
    if (option.Kind == TKind::Text) {
        *static_cast<std::string*>(option.Value) = value;
        return;
    }
    std::int64_t number = 0;
    const char* end = value.data() + value.size();
    const auto [at, error] = std::from_chars(value.data(), end, number);
    if (error != std::errc() || at != end || number < option.Lowest || number > option.Highest) {
        throw EUsageError(std::string(option.Name) + " needs a number from " +
                          std::to_string(option.Lowest) + " to " + std::to_string(option.Highest) +
                          ", not '" + value + "'");
    }
    *static_cast<std::int64_t*>(option.Value) = number;
}

}  // namespace gifcodec
