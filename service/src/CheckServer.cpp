#include "CheckServer.h"

#include "ApiDocument.h"
#include "ResultPage.h"

#include <boost/asio/io_context.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/post.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>

#include <csignal>
#include <optional>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

namespace verinox::checkd {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

namespace {

constexpr std::size_t kMaxHeaderOctets = 8192;
constexpr std::size_t kMaxBodyOctets = 1024;
// Room for a full header and a few pipelined requests behind it; the rest waits in the socket.
constexpr std::size_t kMaxBufferedOctets = 2 * kMaxHeaderOctets;
constexpr auto kAcceptRetry = std::chrono::milliseconds(50);
constexpr std::string_view kRetryAfterSeconds = "5";
constexpr std::string_view kHtmlType = "text/html; charset=utf-8";
constexpr std::string_view kJsonType = "application/json; charset=utf-8";
constexpr std::string_view kAllowed = "GET, HEAD";
// The page carries its own style and pictures; nothing may load or run.
constexpr std::string_view kContentPolicy =
    "default-src 'none'; style-src 'unsafe-inline'; img-src data:";
// Written straight into a connection that is over a cap, before closing it.
constexpr std::string_view kTooManyConnections =
    "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nRetry-After: 5\r\n"
    "Connection: close\r\n\r\n";

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

CheckQuery parseQuery(std::string_view query) {
    CheckQuery parsed;
    bool haveEmail = false;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const std::size_t eq = pair.find('=');
        const std::string key = percentDecode(pair.substr(0, eq));
        const std::string value =
            eq == std::string_view::npos ? std::string() : percentDecode(pair.substr(eq + 1));
        if (key == "email" && !haveEmail) {
            parsed.email = value;
            haveEmail = true;
        } else if (key == "format") {
            parsed.json = value == "json";
        }
    }
    return parsed;
}

// What one request is answered with.
struct Answer {
    http::status status = http::status::ok;
    std::string_view type = kHtmlType;
    std::string body;
    bool close = false;  // the connection ends after this answer, whatever the client asked
};

Answer errorAnswer(http::status status, bool close) {
    return Answer{status, kHtmlType, renderErrorPage(static_cast<int>(status)), close};
}

}  // namespace

class Session;

struct CheckServer::Core : std::enable_shared_from_this<CheckServer::Core> {
    Core(asio::io_context& context, AddressChecker& addressChecker, ServerLimits serverLimits)
        : io(context), checker(addressChecker), limits(serverLimits) {}

    void accept();
    void admit(tcp::socket socket);
    void beginStop();
    void sessionEnded(Session* session, const std::string& client);

    asio::io_context& io;
    AddressChecker& checker;
    const ServerLimits limits;
    std::unordered_set<Session*> sessions;
    std::unordered_map<std::string, std::size_t> perClient;
    std::size_t pendingChecks = 0;
    bool stopping = false;
    tcp::acceptor acceptor{io};
    asio::steady_timer acceptRetry{io};
    asio::steady_timer graceTimer{io};
};

// One client connection: reads a request, answers it, and reads the next one, so that pipelined
// requests are answered in their order. Each read has one deadline that arriving bytes do not
// move.
class Session : public std::enable_shared_from_this<Session> {
  public:
    Session(std::shared_ptr<CheckServer::Core> core, tcp::socket socket, std::string client)
        : core_(std::move(core)), stream_(std::move(socket)), client_(std::move(client)) {
        core_->sessions.insert(this);
        ++core_->perClient[client_];
    }
    ~Session() { core_->sessionEnded(this, client_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    void start() { readRequest(true); }

    // Stopping: a connection waiting for a request ends now, one with a check under way after
    // its answer.
    void windDown() {
        if (reading_) {
            close();
        }
    }

    void close() {
        beast::error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.socket().close(ignored);
    }

  private:
    void readRequest(bool first) {
        parser_.emplace();
        parser_->header_limit(kMaxHeaderOctets);
        parser_->body_limit(kMaxBodyOctets);
        const bool waitingIdle = !first && buffer_.size() == 0;
        stream_.expires_after(waitingIdle ? core_->limits.idleTime : core_->limits.requestTime);
        reading_ = true;
        http::async_read(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](beast::error_code ec, std::size_t) { self->onRead(ec); });
    }

    void onRead(beast::error_code ec) {
        reading_ = false;
        if (ec == http::error::header_limit || ec == http::error::buffer_overflow) {
            send(errorAnswer(http::status::request_header_fields_too_large, true));
        } else if (ec == http::error::body_limit) {
            send(errorAnswer(http::status::payload_too_large, true));
        } else if (ec.category() == http::make_error_code(http::error::bad_target).category() &&
                   ec != http::error::end_of_stream && ec != http::error::partial_message) {
            send(errorAnswer(http::status::bad_request, true));
        } else if (ec) {
            close();  // the client left, or missed its deadline
        } else {
            handle(parser_->get());
        }
    }

    void handle(const http::request<http::string_body>& request) {
        head_ = request.method() == http::verb::head;
        version_ = request.version();
        keepAlive_ = request.keep_alive();
        if (request.method() != http::verb::get && !head_) {
            Answer answer = errorAnswer(http::status::method_not_allowed, false);
            send(std::move(answer), {{"Allow", kAllowed}});
            return;
        }
        if (version_ >= 11 && request.count(http::field::host) != 1) {
            send(errorAnswer(http::status::bad_request, true));
            return;
        }
        const std::string_view target = request.target();
        const std::size_t question = target.find('?');
        const std::string_view path = target.substr(0, question);
        const std::string_view query =
            question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
        if (path == kCheckPath) {
            const bool json =
                request[http::field::accept].find("application/json") != std::string_view::npos;
            answerCheck(parseQuery(query), json);
        } else if (path == kHealthPath) {
            answerHealth();
        } else if (path == kOpenApiPath) {
            send(Answer{http::status::ok, kJsonType, std::string(openApiDocument()), false});
        } else {
            send(errorAnswer(http::status::not_found, false));
        }
    }

    void answerCheck(CheckQuery query, bool acceptsJson) {
        json_ = query.json || acceptsJson;
        if (auto report = core_->checker.quickAnswer(query.email)) {
            sendReport(*report);
            return;
        }
        if (core_->pendingChecks >= core_->limits.pendingChecks) {
            send(errorAnswer(http::status::service_unavailable, false),
                 {{"Retry-After", kRetryAfterSeconds}});
            return;
        }
        ++core_->pendingChecks;
        core_->checker.check(query.email,
                             [self = shared_from_this()](AddressChecker::ReportPtr report) {
                                 --self->core_->pendingChecks;
                                 self->sendReport(*report);
                             });
    }

    void answerHealth() {
        const std::string body =
            std::string("{\"status\":\"") + (core_->stopping ? "stopping" : "ok") +
            "\",\"schemaVersion\":" + std::to_string(kJsonSchemaVersion) +
            ",\"connections\":" + std::to_string(core_->sessions.size()) +
            ",\"checksUnderWay\":" + std::to_string(core_->pendingChecks) + "}";
        send(Answer{core_->stopping ? http::status::service_unavailable : http::status::ok,
                    kJsonType, body, false});
    }

    void sendReport(const CheckReport& report) {
        if (json_) {
            send(Answer{http::status::ok, kJsonType, renderJson(report), false});
        } else {
            send(Answer{http::status::ok, kHtmlType, renderHtml(report), false});
        }
    }

    void send(Answer answer,
              std::initializer_list<std::pair<std::string_view, std::string_view>> extra = {}) {
        const bool close = answer.close || !keepAlive_ || core_->stopping;
        auto& response = response_.emplace(answer.status, version_ == 10 ? 10 : 11);
        response.set(http::field::content_type, answer.type);
        response.set(http::field::cache_control, "no-store");
        response.set("X-Content-Type-Options", "nosniff");
        response.set("Content-Security-Policy", kContentPolicy);
        for (const auto& [name, value] : extra) {
            response.set(name, value);
        }
        response.content_length(answer.body.size());
        if (!head_) {
            response.body() = std::move(answer.body);
        }
        response.keep_alive(!close);
        stream_.expires_after(core_->limits.writeTime);
        http::async_write(stream_, response,
                          [self = shared_from_this(), close](beast::error_code ec, std::size_t) {
                              if (ec || close) {
                                  self->close();
                              } else {
                                  self->readRequest(false);
                              }
                          });
    }

    std::shared_ptr<CheckServer::Core> core_;
    beast::tcp_stream stream_;
    std::string client_;
    beast::flat_buffer buffer_{kMaxBufferedOctets};
    std::optional<http::request_parser<http::string_body>> parser_;
    std::optional<http::response<http::string_body>> response_;
    unsigned version_ = 11;
    bool head_ = false;
    bool keepAlive_ = true;
    bool json_ = false;
    bool reading_ = false;
};

void CheckServer::Core::accept() {
    acceptor.async_accept([self = shared_from_this()](beast::error_code ec, tcp::socket socket) {
        if (ec == asio::error::operation_aborted || self->stopping) {
            return;
        }
        if (ec) {
            // Out of descriptors or memory: accepting again at once would spin.
            self->acceptRetry.expires_after(kAcceptRetry);
            self->acceptRetry.async_wait([self](beast::error_code waitError) {
                if (!waitError) {
                    self->accept();
                }
            });
            return;
        }
        self->admit(std::move(socket));
        self->accept();
    });
}

void CheckServer::Core::admit(tcp::socket socket) {
    beast::error_code ec;
    const auto peer = socket.remote_endpoint(ec);
    if (ec) {
        return;
    }
    std::string client = peer.address().to_string();
    const auto found = perClient.find(client);
    const std::size_t fromClient = found == perClient.end() ? 0 : found->second;
    if (sessions.size() >= limits.connections || fromClient >= limits.connectionsPerClient) {
        socket.non_blocking(true, ec);
        socket.send(asio::buffer(kTooManyConnections), 0, ec);
        return;
    }
    socket.set_option(tcp::no_delay(true), ec);
    std::make_shared<Session>(shared_from_this(), std::move(socket), std::move(client))->start();
}

void CheckServer::Core::beginStop() {
    if (stopping) {
        return;
    }
    stopping = true;
    beast::error_code ignored;
    acceptor.close(ignored);
    acceptRetry.cancel();
    // Copied: closing a connection may end its session and change the set.
    const std::vector<Session*> open(sessions.begin(), sessions.end());
    for (Session* session : open) {
        session->windDown();
    }
    if (sessions.empty()) {
        io.stop();
        return;
    }
    graceTimer.expires_after(limits.stopGrace);
    graceTimer.async_wait([self = shared_from_this()](beast::error_code ec) {
        if (!ec) {
            self->io.stop();
        }
    });
}

void CheckServer::Core::sessionEnded(Session* session, const std::string& client) {
    sessions.erase(session);
    if (const auto found = perClient.find(client);
        found != perClient.end() && --found->second == 0) {
        perClient.erase(found);
    }
    // The loop also carries the resolver's sockets, so it is stopped rather than left to drain.
    if (stopping && sessions.empty()) {
        graceTimer.cancel();
        io.stop();
    }
}

CheckServer::CheckServer(asio::io_context& io, AddressChecker& checker, ServerLimits limits)
    : core_(std::make_shared<Core>(io, checker, limits)) {
    // A client that closes early must cost its own request, not the process.
    std::signal(SIGPIPE, SIG_IGN);
}

CheckServer::~CheckServer() {
    beast::error_code ignored;
    core_->acceptor.close(ignored);
}

int CheckServer::bind(const std::string& host, int port) {
    try {
        const tcp::endpoint endpoint(asio::ip::make_address(host),
                                     static_cast<unsigned short>(port));
        auto& acceptor = core_->acceptor;
        acceptor.open(endpoint.protocol());
        // Only to rebind after a restart while old connections linger; never SO_REUSEPORT, so a
        // second instance cannot share the port.
        acceptor.set_option(tcp::acceptor::reuse_address(true));
        acceptor.bind(endpoint);
        acceptor.listen(core_->limits.backlog);
        return acceptor.local_endpoint().port();
    } catch (const std::exception& error) {
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port) + ": " +
                                 error.what());
    }
}

void CheckServer::run() {
    if (core_->acceptor.is_open()) {
        asio::post(core_->io, [core = core_] {
            if (!core->stopping) {
                core->accept();
            }
        });
    }
    core_->io.run();
}

void CheckServer::stop() {
    asio::post(core_->io, [core = core_] { core->beginStop(); });
}

}  // namespace verinox::checkd
