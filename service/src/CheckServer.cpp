#include "CheckServer.h"

#include "ResultPage.h"

#include <csignal>
#include <stdexcept>
#include <thread>

namespace verinox::checkd {
namespace {

constexpr std::size_t kKeepAliveRequests = 1000;
constexpr time_t kKeepAliveSeconds = 5;
constexpr time_t kReadTimeoutSeconds = 5;
constexpr std::size_t kMaxBodyOctets = 1024;
constexpr std::string_view kHtmlType = "text/html; charset=utf-8";
constexpr std::string_view kJsonType = "application/json; charset=utf-8";
constexpr std::string_view kAllowed = "GET, HEAD";
// The page carries its own style and pictures; nothing may load or run.
constexpr std::string_view kContentPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; img-src data:";

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// '+' stays '+': the program sends the address percent-encoded, and '+' is common in addresses
// (sub-addressing) while a space is not. A '%' without two hex digits is kept as it stands.
std::string percentDecode(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
            hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct CheckQuery {
    std::string email;
    bool json = false;
};

CheckQuery parseQuery(std::string_view target) {
    CheckQuery query;
    const std::size_t question = target.find('?');
    if (question == std::string_view::npos) {
        return query;
    }
    std::string_view rest = target.substr(question + 1);
    bool haveEmail = false;
    while (!rest.empty()) {
        const std::size_t amp = rest.find('&');
        const std::string_view pair = rest.substr(0, amp);
        rest = amp == std::string_view::npos ? std::string_view() : rest.substr(amp + 1);
        const std::size_t eq = pair.find('=');
        const std::string key = percentDecode(pair.substr(0, eq));
        const std::string value =
            eq == std::string_view::npos ? std::string() : percentDecode(pair.substr(eq + 1));
        if (key == "email" && !haveEmail) {
            query.email = value;
            haveEmail = true;
        } else if (key == "format") {
            query.json = value == "json";
        }
    }
    return query;
}

bool acceptsJson(const httplib::Request& request) {
    return request.get_header_value("Accept").find("application/json") != std::string::npos;
}

void setCommonHeaders(httplib::Response& response) {
    response.set_header("Cache-Control", "no-store");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_header("Content-Security-Policy", std::string(kContentPolicy));
}

}  // namespace

CheckServer::CheckServer(AddressChecker& checker, std::size_t threads) : checker_(checker) {
    // A client that closes early must cost its own request, not the process.
    std::signal(SIGPIPE, SIG_IGN);
    server_.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_.set_keep_alive_max_count(kKeepAliveRequests);
    server_.set_keep_alive_timeout(kKeepAliveSeconds);
    server_.set_read_timeout(kReadTimeoutSeconds, 0);
    server_.set_payload_max_length(kMaxBodyOctets);
    server_.set_tcp_nodelay(true);

    const std::string checkPath(kCheckPath);
    server_.Get(checkPath, [this](const httplib::Request& request, httplib::Response& response) {
        answerCheck(request, response);
    });
    const auto notAllowed = [](const httplib::Request&, httplib::Response& response) {
        response.status = 405;
        response.set_header("Allow", std::string(kAllowed));
    };
    server_.Post(".*", notAllowed);
    server_.Put(".*", notAllowed);
    server_.Patch(".*", notAllowed);
    server_.Delete(".*", notAllowed);
    server_.Options(".*", notAllowed);
    server_.set_error_handler([](const httplib::Request&, httplib::Response& response) {
        setCommonHeaders(response);
        response.set_content(renderErrorPage(response.status), std::string(kHtmlType));
    });
    server_.set_exception_handler(
        [](const httplib::Request&, httplib::Response& response, std::exception_ptr) {
            response.status = 500;
            setCommonHeaders(response);
            response.set_content(renderErrorPage(500), std::string(kHtmlType));
        });
}

int CheckServer::bind(const std::string& host, int port) {
    int bound = port;
    if (port == 0) {
        bound = server_.bind_to_any_port(host);
    } else if (!server_.bind_to_port(host, port)) {
        bound = -1;
    }
    if (bound <= 0) {
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
    }
    return bound;
}

void CheckServer::run() {
    if (!stopRequested_) {
        server_.listen_after_bind();
    }
    finished_ = true;
}

void CheckServer::stop() {
    stopRequested_ = true;
    // httplib ignores stop() until it serves; wait for that unless run() is already over.
    while (!server_.is_running() && !finished_) {
        std::this_thread::yield();
    }
    server_.stop();
}

void CheckServer::answerCheck(const httplib::Request& request, httplib::Response& response) {
    const CheckQuery query = parseQuery(request.target);
    const auto report = checker_.check(query.email);
    setCommonHeaders(response);
    if (query.json || acceptsJson(request)) {
        response.set_content(renderJson(*report), std::string(kJsonType));
    } else {
        response.set_content(renderHtml(*report), std::string(kHtmlType));
    }
}

}  // namespace verinox::checkd
