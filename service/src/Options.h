#pragma once

#include "AddressChecker.h"
#include "CheckServer.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace verinox::checkd {

// A command line that cannot be used; the message says why.
class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Options {
    std::string listenHost = "127.0.0.1";
    int listenPort = 8470;
    ServerLimits server;
    std::filesystem::path dataDirectory;
    CheckerSettings checker;
    bool help = false;
};

// Defaults that depend on the machine: the HELO name, the sender, the data beside the program.
Options parseOptions(const std::vector<std::string>& arguments,
                     const std::filesystem::path& executable);

std::string usageText();

}  // namespace verinox::checkd
