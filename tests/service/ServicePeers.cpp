#include "ServicePeers.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

extern char** environ;

namespace verinox::checkd::test {
namespace {

using namespace std::chrono_literals;

constexpr auto kPeerStartLimit = 15s;
constexpr auto kStepTimeout = 700ms;
constexpr auto kBudget = 4s;

sockaddr_in loopback(const std::string& address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    return sa;
}

bool portTaken(int port, bool datagram) {
    const int fd = socket(AF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, 0);
    const sockaddr_in sa = loopback("127.0.0.1", port);
    bool taken = false;
    if (datagram) {
        taken =
            bind(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 && errno == EADDRINUSE;
    } else {
        taken = connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) == 0;
    }
    close(fd);
    return taken;
}

// Asks the DNS server on the port for the TXT record of peer.test until the answer carries the
// token: only the dnsmasq this process started knows it.
void waitForDns(int port, const std::string& token) {
    static const unsigned char kQuery[] = {0x56, 0x58, 0x01, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                                           0x00, 0x00, 0x00, 4,    'p',  'e',  'e',  'r',  4,
                                           't',  'e',  's',  't',  0,    0x00, 0x10, 0x00, 0x01};
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    const sockaddr_in sa = loopback("127.0.0.1", port);
    const auto limit = std::chrono::steady_clock::now() + kPeerStartLimit;
    while (std::chrono::steady_clock::now() < limit) {
        sendto(fd, kQuery, sizeof kQuery, 0, reinterpret_cast<const sockaddr*>(&sa), sizeof sa);
        pollfd waiting{fd, POLLIN, 0};
        char answer[512];
        if (poll(&waiting, 1, 50) == 1) {
            const ssize_t got = recv(fd, answer, sizeof answer, 0);
            if (got > 0 &&
                std::string(answer, static_cast<size_t>(got)).find(token) != std::string::npos) {
                close(fd);
                return;
            }
        }
    }
    close(fd);
    throw std::runtime_error("dnsmasq did not answer on port " + std::to_string(port));
}

}  // namespace

Peer::Peer(const std::vector<std::string>& argv, const std::string& readyLine) {
    std::vector<char*> args;
    for (const auto& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    int out[2] = {-1, -1};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!readyLine.empty()) {
        if (pipe(out) != 0) {
            throw std::runtime_error("cannot make a pipe for " + argv[0]);
        }
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        posix_spawn_file_actions_addclose(&actions, out[1]);
    }
    const int spawned = posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (out[1] >= 0) {
        close(out[1]);
    }
    if (spawned != 0) {
        pid_ = -1;
        if (out[0] >= 0) {
            close(out[0]);
        }
        throw std::runtime_error("cannot start " + argv[0]);
    }
    if (readyLine.empty()) {
        return;
    }
    // The line comes once the peer listens; the end of its output first means it failed.
    std::string seen;
    const auto limit = std::chrono::steady_clock::now() + kPeerStartLimit;
    while (seen.find(readyLine + "\n") == std::string::npos) {
        pollfd waiting{out[0], POLLIN, 0};
        char buffer[256];
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            limit - std::chrono::steady_clock::now());
        const ssize_t got =
            left.count() > 0 && poll(&waiting, 1, static_cast<int>(left.count())) == 1
                ? read(out[0], buffer, sizeof buffer)
                : -1;
        if (got <= 0) {
            close(out[0]);
            throw std::runtime_error(argv[0] + " did not get ready");
        }
        seen.append(buffer, static_cast<size_t>(got));
    }
    close(out[0]);
}

Peer::~Peer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

SilentListener::SilentListener(const std::string& address, int port, bool datagram) {
    fd_ = socket(AF_INET, datagram ? SOCK_DGRAM : SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in sa = loopback(address, port);
    if (bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        (!datagram && listen(fd_, 64) != 0)) {
        throw std::runtime_error("cannot bind silent listener: " + std::string(strerror(errno)));
    }
}

SilentListener::~SilentListener() {
    close(fd_);
}

ScriptedExchanger::ScriptedExchanger(int port, std::vector<std::string> replies)
    : listener_(socket(AF_INET, SOCK_STREAM, 0)) {
    const int on = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in sa = loopback("127.0.0.4", port);
    if (bind(listener_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
        listen(listener_, 4) != 0) {
        throw std::runtime_error("cannot bind scripted exchanger: " + std::string(strerror(errno)));
    }
    thread_ = std::thread([this, replies = std::move(replies)] {
        pollfd waiting{listener_, POLLIN, 0};
        if (poll(&waiting, 1, 5000) != 1) {
            return;  // the check never came; let the test fail on its own expectations
        }
        const int fd = accept(listener_, nullptr, nullptr);
        for (const auto& reply : replies) {
            send(fd, reply.data(), reply.size(), MSG_NOSIGNAL);
            for (char c = 0; c != '\n';) {
                if (recv(fd, &c, 1, 0) <= 0) {
                    close(fd);
                    return;
                }
            }
        }
        close(fd);
    });
}

ScriptedExchanger::~ScriptedExchanger() {
    thread_.join();
    close(listener_);
}

int freePort(bool datagram) {
    // Ports the kernel hands out for outgoing sockets (the check server's own DNS queries and
    // connections among them) are avoided; parallel test processes pick at random.
    int firstEphemeral = 32768;
    if (std::ifstream range("/proc/sys/net/ipv4/ip_local_port_range"); range) {
        range >> firstEphemeral;
    }
    static std::mt19937 random(std::random_device{}());
    std::uniform_int_distribution<int> pick(10000, std::max(10001, firstEphemeral - 1));
    for (int attempt = 0; attempt < 1000; ++attempt) {
        const int port = pick(random);
        if (!portTaken(port, datagram) && !portTaken(port, !datagram)) {
            return port;
        }
    }
    throw std::runtime_error("no free loopback port");
}

ServicePeers::ServicePeers() {
    // Another process may take a port between choosing it and the peer's binding it: then the
    // peers are started again on other ports.
    constexpr int kAttempts = 8;
    for (int attempt = 1;; ++attempt) {
        try {
            start();
            return;
        } catch (const std::runtime_error&) {
            if (attempt == kAttempts) {
                throw;
            }
        }
    }
}

void ServicePeers::start() {
    smtp_.reset();
    dnsmasq_.reset();
    silentExchanger_.reset();
    silentDns_.reset();
    dnsPort_ = freePort(true);
    silentDnsPort_ = freePort(true);
    smtpPort_ = freePort(false);
    silentDns_ = std::make_unique<SilentListener>("127.0.0.1", silentDnsPort_, true);
    silentExchanger_ = std::make_unique<SilentListener>("127.0.0.3", smtpPort_, false);
    const std::string token = std::to_string(getpid()) + "-" + std::to_string(dnsPort_);
    dnsmasq_ = std::make_unique<Peer>(std::vector<std::string>{
        VERINOX_DNSMASQ,
        "--keep-in-foreground",
        "--conf-file=/dev/null",
        "--no-resolv",
        "--no-hosts",
        "--listen-address=127.0.0.1",
        "--bind-interfaces",
        "--port=" + std::to_string(dnsPort_),
        "--pid-file=",
        "--local=/test/",
        "--mx-host=mx.test,mx1.mx.test,10",
        "--host-record=mx1.mx.test,127.0.0.1",
        "--mx-host=catchall.test,mx1.mx.test,10",
        "--host-record=implicit.test,127.0.0.1",
        "--dns-rr=nullmx.test,15,000000",  // preference 0, exchanger "."
        "--txt-record=nohost.test,nothing here",
        "--mx-host=down.test,mx.down.test,10",
        "--host-record=mx.down.test,127.0.0.2",
        "--mx-host=silent.test,mx.silent.test,10",
        "--host-record=mx.silent.test,127.0.0.3",
        "--mx-host=backup.test,mx.down.test,10",
        "--mx-host=backup.test,mx1.mx.test,20",
        "--mx-host=lost.test,gone.lost.test,10",
        "--mx-host=junk.test,mx.junk.test,10",
        "--host-record=mx.junk.test,127.0.0.4",
        // Five exchangers without addresses ahead of one that works.
        "--mx-host=six.test,a1.six.test,1",
        "--mx-host=six.test,a2.six.test,2",
        "--mx-host=six.test,a3.six.test,3",
        "--mx-host=six.test,a4.six.test,4",
        "--mx-host=six.test,a5.six.test,5",
        "--mx-host=six.test,a6.six.test,6",
        "--host-record=a6.six.test,127.0.0.1",
        // A real provider's domain one letter away from a common one.
        "--mx-host=hotmial.com,mx1.mx.test,10",
        // Two names for one exchanger address.
        "--mx-host=h5.test,mx.h5.test,10",
        "--host-record=mx.h5.test,127.0.0.5",
        "--mx-host=other5.test,MX.H5.test,10",
        "--txt-record=peer.test," + token,
    });
    smtp_ = std::make_unique<Peer>(
        std::vector<std::string>{VERINOX_SYSTEM_PYTHON, VERINOX_SERVICE_TEST_DIR "/smtp_peer.py",
                                 "--port", std::to_string(smtpPort_)},
        "ready");
    waitForDns(dnsPort_, token);
}

CheckerSettings ServicePeers::settings() const {
    CheckerSettings settings;
    settings.dnsServers = {"127.0.0.1:" + std::to_string(dnsPort_)};
    settings.smtp.port = smtpPort_;
    settings.smtp.helo = "checker.test";
    settings.smtp.mailFrom = "probe@checker.test";
    settings.smtp.stepTimeout = kStepTimeout;
    settings.smtp.allowPrivateExchangers = true;
    settings.smtp.probeLiterals = true;
    settings.budget = kBudget;
    return settings;
}

const DomainLists& sharedLists() {
    static const DomainLists lists(VERINOX_CHECKD_DATA_DIR);
    return lists;
}

RunningServer::RunningServer(const CheckerSettings& settings, ServerLimits limits)
    : checker_(io_, settings, sharedLists()),
      server_(io_, checker_, limits),
      port_(server_.bind("127.0.0.1", 0)) {
    thread_ = std::thread([this] { server_.run(); });
}

RunningServer::~RunningServer() {
    server_.stop();
    thread_.join();
}

HttpReply request(int port, const std::string& target, const std::string& method,
                  const std::string& extraHeaders) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in sa = loopback("127.0.0.1", port);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        close(fd);
        throw std::runtime_error("cannot connect to the service");
    }
    const std::string wire = method + " " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                             extraHeaders + "Connection: close\r\n\r\n";
    send(fd, wire.data(), wire.size(), MSG_NOSIGNAL);
    // Reads to the end of the announced body: a server may keep the connection open after an
    // error reply even though the request asked to close it.
    std::string raw;
    char chunk[4096];
    for (ssize_t n; (n = recv(fd, chunk, sizeof chunk, 0)) > 0;) {
        raw.append(chunk, static_cast<std::size_t>(n));
        const std::size_t end = raw.find("\r\n\r\n");
        if (end == std::string::npos) {
            continue;
        }
        std::string head = raw.substr(0, end);
        for (auto& c : head) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::size_t length = head.find("\r\ncontent-length:");
        const std::size_t body =
            method == "HEAD" || length == std::string::npos
                ? 0
                : std::stoul(head.substr(length + std::string("\r\ncontent-length:").size()));
        if (raw.size() >= end + 4 + body) {
            break;
        }
    }
    close(fd);

    HttpReply reply;
    const std::size_t headEnd = raw.find("\r\n\r\n");
    if (raw.size() < 12 || headEnd == std::string::npos) {
        throw std::runtime_error("malformed reply: " + raw.substr(0, 200));
    }
    reply.status = std::stoi(raw.substr(9, 3));
    std::size_t pos = raw.find("\r\n") + 2;
    while (pos < headEnd) {
        const std::size_t end = raw.find("\r\n", pos);
        const std::string line = raw.substr(pos, end - pos);
        const std::size_t colon = line.find(':');
        std::string name = line.substr(0, colon);
        for (auto& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        reply.headers[name] = line.substr(line.find_first_not_of(' ', colon + 1));
        pos = end + 2;
    }
    reply.body = raw.substr(headEnd + 4);
    return reply;
}

std::string percentEncode(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalnum(u) || c == '.' || c == '-' || c == '_' || c == '~' || c == '@') {
            out += c;
        } else {
            out += '%';
            out += kHex[u >> 4];
            out += kHex[u & 15];
        }
    }
    return out;
}

RawConnection::RawConnection(int port) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
    const sockaddr_in sa = loopback("127.0.0.1", port);
    if (connect(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
        close(fd_);
        throw std::runtime_error("cannot connect to the service");
    }
}

RawConnection::~RawConnection() {
    close(fd_);
}

bool RawConnection::send(const std::string& bytes) {
    return ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

std::string RawConnection::readUntilClosed(std::chrono::milliseconds limit) {
    std::string received;
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd waiting{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) != 1) {
            return received;
        }
        char chunk[65536];
        const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return received;
        }
        received.append(chunk, static_cast<std::size_t>(n));
    }
}

bool RawConnection::closedWithin(std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd waiting{fd_, POLLIN, 0};
        if (left.count() <= 0 || poll(&waiting, 1, static_cast<int>(left.count())) != 1) {
            return false;
        }
        char chunk[65536];
        const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) {
            return true;
        }
    }
}

std::vector<int> replyStatuses(const std::string& stream) {
    std::vector<int> statuses;
    for (std::size_t pos = 0;
         pos + 12 <= stream.size() && stream.compare(pos, 7, "HTTP/1.") == 0;) {
        statuses.push_back(std::stoi(stream.substr(pos + 9, 3)));
        const std::size_t headEnd = stream.find("\r\n\r\n", pos);
        if (headEnd == std::string::npos) {
            break;
        }
        std::string head = stream.substr(pos, headEnd - pos);
        for (auto& c : head) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const std::size_t length = head.find("\r\ncontent-length:");
        pos = headEnd + 4 +
              (length == std::string::npos
                   ? 0
                   : std::stoul(head.substr(length + std::string("\r\ncontent-length:").size())));
    }
    return statuses;
}

}  // namespace verinox::checkd::test
