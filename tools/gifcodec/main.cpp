#include <algorithm>
#include <exception>
#include <iostream>
#include <new>
#include <string>
#include <vector>

#include "Commands.h"
#include "gif/GIFErrors.h"

using namespace gifcodec;

namespace {

bool IsHelp(const std::string& arg) {
    return arg == "--help" || arg == "-h";
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::cerr << "gifcodec: no command given\n" << UsageText();
        return 1;
    }
    if (IsHelp(args[0])) {
        std::cout << UsageText();
        return 0;
    }
    const auto commands = AllCommands();
    const auto command = std::find_if(commands.begin(), commands.end(),
                                      [&](const TCommand& c) { return c.Name == args[0]; });
    if (command == commands.end()) {
        std::cerr << "gifcodec: unknown command '" << args[0] << "' (try gifcodec --help)\n";
        return 1;
    }
    const std::span<const std::string> rest(args.begin() + 1, args.end());
    if (std::any_of(rest.begin(), rest.end(), IsHelp)) {
        std::cout << "Usage: " << CommandUsage(*command);
        return 0;
    }
    try {
        return command->Run(rest);
    } catch (const EUsageError& error) {
        std::cerr << "gifcodec: " << error.what() << "\nUsage: " << CommandUsage(*command);
    } catch (const EFileError& error) {
        std::cerr << "gifcodec: " << error.File << ": " << error.what() << "\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "gifcodec: not enough memory\n";
    } catch (const std::exception& error) {
        std::cerr << "gifcodec: " << error.what() << "\n";
    }
    return 1;
}
