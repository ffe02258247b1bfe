#include "Options.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <limits>

namespace verinox::checkd {
namespace {

constexpr std::string_view kDataBesideProgram = "../share/verinox-checkd";
constexpr int kMaxPort = 65535;
constexpr double kMaxSeconds = 86400.0;

std::string hostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || name[0] == '\0') {
        return "localhost";
    }
    return name;
}

long long parseInteger(const std::string& option, const std::string& text, long long low,
                       long long high) {
    long long value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < low || value > high) {
        throw UsageError(option + " needs a whole number from " + std::to_string(low) + " to " +
                         std::to_string(high) + ", not '" + text + "'");
    }
    return value;
}

std::chrono::milliseconds parseSeconds(const std::string& option, const std::string& text) {
    std::size_t used = 0;
    double seconds = 0;
    try {
        seconds = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || !std::isfinite(seconds) || seconds <= 0 || seconds > kMaxSeconds) {
        throw UsageError(option + " needs a number of seconds above 0, not '" + text + "'");
    }
    return std::chrono::milliseconds(static_cast<long long>(std::ceil(seconds * 1000)));
}

std::pair<std::string, int> parseHostPort(const std::string& option, const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0) {
        throw UsageError(option + " needs HOST:PORT, not '" + text + "'");
    }
    std::string host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') {
        host = host.substr(1, host.size() - 2);
    }
    return {host, static_cast<int>(parseInteger(option, text.substr(colon + 1), 1, kMaxPort))};
}

// Goes into SMTP commands: printable ASCII without spaces or angle brackets only.
std::string checkedCommandWord(const std::string& option, const std::string& text) {
    const bool clean = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return c > 0x20 && c < 0x7F && c != '<' && c != '>';
    });
    if (!clean) {
        throw UsageError(option + " needs printable ASCII without spaces, not '" + text + "'");
    }
    return text;
}

}  // namespace

Options parseOptions(const std::vector<std::string>& arguments,
                     const std::filesystem::path& executable) {
    Options options;
    options.dataDirectory = executable.parent_path() / kDataBesideProgram;
    options.checker.smtp.helo = hostName();
    std::string mailFrom;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        const auto value = [&]() -> const std::string& {
            if (i + 1 >= arguments.size()) {
                throw UsageError(option + " needs a value");
            }
            return arguments[++i];
        };
        if (option == "--help" || option == "-h") {
            options.help = true;
        } else if (option == "--listen") {
            std::tie(options.listenHost, options.listenPort) = parseHostPort(option, value());
        } else if (option == "--dns") {
            const std::string& server = value();
            parseHostPort(option, server);
            options.checker.dnsServers.push_back(server);
        } else if (option == "--smtp-port") {
            options.checker.smtp.port =
                static_cast<int>(parseInteger(option, value(), 1, kMaxPort));
        } else if (option == "--helo") {
            options.checker.smtp.helo = checkedCommandWord(option, value());
        } else if (option == "--mail-from") {
            mailFrom = checkedCommandWord(option, value());
        } else if (option == "--timeout") {
            options.checker.smtp.stepTimeout = parseSeconds(option, value());
        } else if (option == "--budget") {
            options.checker.budget = parseSeconds(option, value());
        } else if (option == "--cache") {
            options.checker.cacheTime = std::chrono::seconds(
                parseInteger(option, value(), 0, std::numeric_limits<int>::max()));
        } else if (option == "--stop-grace") {
            options.server.stopGrace = parseSeconds(option, value());
        } else if (option == "--max-checks") {
            options.server.pendingChecks =
                static_cast<std::size_t>(parseInteger(option, value(), 1, 1000000));
        } else if (option == "--max-connections") {
            options.server.connections =
                static_cast<std::size_t>(parseInteger(option, value(), 1, 1000000));
        } else if (option == "--max-connections-per-client") {
            options.server.connectionsPerClient =
                static_cast<std::size_t>(parseInteger(option, value(), 1, 1000000));
        } else if (option == "--smtp-sessions") {
            options.checker.smtpSessions =
                static_cast<std::size_t>(parseInteger(option, value(), 1, 1024));
        } else if (option == "--smtp-per-exchanger" || option == "--smtp-per-domain") {
            options.checker.smtpSessionsPerExchanger =
                static_cast<std::size_t>(parseInteger(option, value(), 1, 1024));
        } else if (option == "--allow-private-mx") {
            options.checker.smtp.allowPrivateExchangers = true;
        } else if (option == "--probe-literals") {
            options.checker.smtp.probeLiterals = true;
        } else if (option == "--data") {
            options.dataDirectory = value();
        } else {
            throw UsageError("unknown option '" + option + "' (see --help)");
        }
    }
    options.checker.smtp.mailFrom =
        mailFrom.empty() ? "verinox-check@" + options.checker.smtp.helo : mailFrom;
    return options;
}

std::string usageText() {
    return "Usage: verinox-checkd [OPTION]...\n"
           "Checks e-mail addresses for the Verinox program: answers\n"
           "GET /tools/verinox/checkmail.php?email=ADDRESS with a result page\n"
           "(JSON with &format=json or 'Accept: application/json').\n"
           "\n"
           "  --listen HOST:PORT      address to serve on (127.0.0.1:8470)\n"
           "  --dns HOST:PORT         DNS server to ask; repeatable (the system's resolvers)\n"
           "  --smtp-port N           port of the mail exchangers (25)\n"
           "  --helo NAME             name given in EHLO (this host's name)\n"
           "  --mail-from ADDRESS     sender given in MAIL FROM (verinox-check@HELO-NAME)\n"
           "  --timeout SECONDS       limit for each DNS and SMTP step (10)\n"
           "  --budget SECONDS        limit for one whole check (30)\n"
           "  --cache SECONDS         how long results are kept; 0 keeps none (600)\n"
           "  --max-checks N          checks under way at once; more get 503 (4096)\n"
           "  --stop-grace SECONDS    on SIGTERM, time left to checks under way (10)\n"
           "  --max-connections N     client connections open at once (10000)\n"
           "  --max-connections-per-client N\n"
           "                          of them from one client address (4096)\n"
           "  --smtp-sessions N       SMTP sessions open at once (32)\n"
           "  --smtp-per-exchanger N  SMTP sessions open at once per exchanger address (2)\n"
           "  --allow-private-mx      also ask exchangers on special-purpose addresses\n"
           "                          (private, loopback, documentation, ...)\n"
           "  --probe-literals        also ask the hosts of address literals (user@[IP])\n"
           "  --data DIR              classification lists (../share/verinox-checkd beside\n"
           "                          the program)\n"
           "  -h, --help              show this text\n";
}

}  // namespace verinox::checkd
