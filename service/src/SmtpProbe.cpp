#include "SmtpProbe.h"

#include "AddressScope.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <random>
#include <stdexcept>

namespace verinox::checkd {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::size_t kMaxReplyLineOctets = 1000;
constexpr std::size_t kMaxReplyLines = 100;
constexpr std::size_t kMaxShownReplyOctets = 200;
constexpr std::size_t kCatchAllProbeLength = 16;
constexpr std::string_view kCatchAllAlphabet = "abcdefghijklmnopqrstuvwxyz0123456789";
constexpr std::array kMailboxUnavailable = {550, 551, 553};
constexpr std::array kMailboxFull = {452, 552};

// The session broke off: connection refused or lost, a step timed out, or the reply was garbage.
class SessionLost : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Reply {
    int code = 0;
    std::vector<std::string> lines;  // text after the code, one per reply line

    bool positive() const { return code >= 200 && code < 300; }
    bool transient() const { return code >= 400 && code < 500; }
};

std::string printable(const Reply& reply) {
    std::string text;
    for (const auto& line : reply.lines) {
        if (!text.empty()) {
            text += ' ';
        }
        text += line;
    }
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c < 0x20 || c > 0x7E; }, '?');
    if (text.size() > kMaxShownReplyOctets) {
        text.resize(kMaxShownReplyOctets);
    }
    return text;
}

class Session {
  public:
    Session(const std::string& address, int port, Clock::time_point deadline) {
        sockaddr_storage storage{};
        socklen_t length = 0;
        auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&storage);
        if (inet_pton(AF_INET, address.c_str(), &v4->sin_addr) == 1) {
            v4->sin_family = AF_INET;
            v4->sin_port = htons(static_cast<std::uint16_t>(port));
            length = sizeof *v4;
        } else if (inet_pton(AF_INET6, address.c_str(), &v6->sin6_addr) == 1) {
            v6->sin6_family = AF_INET6;
            v6->sin6_port = htons(static_cast<std::uint16_t>(port));
            length = sizeof *v6;
        } else {
            throw SessionLost("not a numeric address");
        }
        fd_ = socket(storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            throw SessionLost(std::strerror(errno));
        }
        if (connect(fd_, reinterpret_cast<sockaddr*>(&storage), length) != 0) {
            if (errno != EINPROGRESS) {
                throwLost();
            }
            wait(POLLOUT, deadline);
            int error = 0;
            socklen_t size = sizeof error;
            getsockopt(fd_, SOL_SOCKET, SO_ERROR, &error, &size);
            if (error != 0) {
                throw SessionLost(std::strerror(error));
            }
        }
    }
    ~Session() { close(fd_); }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    Reply command(const std::string& line, Clock::time_point deadline) {
        const std::string wire = line + "\r\n";
        for (std::size_t sent = 0; sent < wire.size();) {
            wait(POLLOUT, deadline);
            const ssize_t n = send(fd_, wire.data() + sent, wire.size() - sent, MSG_NOSIGNAL);
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                throwLost();
            }
            sent += n > 0 ? static_cast<std::size_t>(n) : 0;
        }
        return readReply(deadline);
    }

    // A multi-line reply: "250-first", ..., "250 last".
    Reply readReply(Clock::time_point deadline) {
        Reply reply;
        for (;;) {
            const std::string line = readLine(deadline);
            if (line.size() < 3 ||
                !std::all_of(line.begin(), line.begin() + 3,
                             [](char c) { return c >= '0' && c <= '9'; }) ||
                (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
                throw SessionLost("malformed reply");
            }
            const int code = std::stoi(line.substr(0, 3));
            if (reply.code != 0 && code != reply.code) {
                throw SessionLost("inconsistent reply");
            }
            reply.code = code;
            reply.lines.push_back(line.size() > 4 ? line.substr(4) : std::string());
            if (line.size() == 3 || line[3] == ' ') {
                return reply;
            }
            if (reply.lines.size() >= kMaxReplyLines) {
                throw SessionLost("reply too long");
            }
        }
    }

  private:
    [[noreturn]] static void throwLost() { throw SessionLost(std::strerror(errno)); }

    void wait(short events, Clock::time_point deadline) {
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) {
                throw SessionLost("timeout");
            }
            pollfd pfd{fd_, events, 0};
            const int rc = poll(&pfd, 1, static_cast<int>(left.count()));
            if (rc > 0) {
                return;
            }
            if (rc < 0 && errno != EINTR) {
                throwLost();
            }
        }
    }

    std::string readLine(Clock::time_point deadline) {
        for (;;) {
            const std::size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                if (!line.empty() && line.back() == '\r') {
                    line.pop_back();
                }
                return line;
            }
            if (buffer_.size() > kMaxReplyLineOctets) {
                throw SessionLost("reply line too long");
            }
            wait(POLLIN, deadline);
            char chunk[1024];
            const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
            if (n == 0) {
                throw SessionLost("connection closed");
            }
            if (n < 0) {
                if (errno == EAGAIN || errno == EINTR) {
                    continue;
                }
                throwLost();
            }
            buffer_.append(chunk, static_cast<std::size_t>(n));
        }
    }

    int fd_ = -1;
    std::string buffer_;
};

std::string randomMailbox(const ParsedAddress& address) {
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, kCatchAllAlphabet.size() - 1);
    std::string local = "verinox-";
    for (std::size_t i = 0; i < kCatchAllProbeLength; ++i) {
        local += kCatchAllAlphabet[pick(generator)];
    }
    return local + "@" + address.asciiDomain;
}

bool isOneOf(int code, const auto& codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

bool advertises(const Reply& ehlo, std::string_view keyword) {
    return std::any_of(ehlo.lines.begin(), ehlo.lines.end(), [&](const std::string& line) {
        if (line.size() < keyword.size()) {
            return false;
        }
        for (std::size_t i = 0; i < keyword.size(); ++i) {
            if (std::toupper(static_cast<unsigned char>(line[i])) != keyword[i]) {
                return false;
            }
        }
        return line.size() == keyword.size() || line[keyword.size()] == ' ';
    });
}

MailboxStatus classifyRecipient(const Reply& reply) {
    if (reply.code == 250 || reply.code == 251) {
        return MailboxStatus::Deliverable;
    }
    if (isOneOf(reply.code, kMailboxUnavailable)) {
        return MailboxStatus::Rejected;
    }
    if (isOneOf(reply.code, kMailboxFull)) {
        return MailboxStatus::MailboxFull;
    }
    if (reply.transient()) {
        return MailboxStatus::Temporary;
    }
    return MailboxStatus::Refused;
}

// RSET and QUIT are courtesy: the outcome is known by then, so a failing farewell changes nothing.
void farewell(Session& session, const auto& step) {
    try {
        session.command("RSET", step());
        session.command("QUIT", step());
    } catch (const SessionLost&) {
    }
}

}  // namespace

SmtpProbe::SmtpProbe(SmtpSettings settings) : settings_(std::move(settings)) {}

MailboxResult SmtpProbe::probe(const std::vector<Exchanger>& exchangers,
                               const ParsedAddress& address, Clock::time_point deadline) const {
    MailboxResult result;
    bool contacted = false;
    bool busy = false;
    for (const auto& exchanger : exchangers) {
        for (const auto& ip : exchanger.addresses) {
            if (!settings_.allowPrivateExchangers && !isPublicAddress(ip)) {
                continue;
            }
            contacted = true;
            if (Clock::now() >= deadline) {
                result.status = busy ? MailboxStatus::Temporary : MailboxStatus::NoConnection;
                return result;
            }
            const auto step = [&] {
                return std::min(deadline, Clock::now() + settings_.stepTimeout);
            };
            result.exchanger = exchanger.host + " (" + ip + ")";
            try {
                Session session(ip, settings_.port, step());
                const Reply greeting = session.readReply(step());
                if (!greeting.positive()) {
                    busy = busy || greeting.transient();
                    continue;  // this exchanger does not serve us now; the next one may
                }
                Reply hello = session.command("EHLO " + settings_.helo, step());
                const bool extended = hello.positive();
                if (!extended) {
                    hello = session.command("HELO " + settings_.helo, step());
                    if (!hello.positive()) {
                        busy = busy || hello.transient();
                        continue;
                    }
                }
                const bool utf8 = extended && advertises(hello, "SMTPUTF8");
                if (address.internationalLocalPart && !utf8) {
                    result.status = MailboxStatus::NoSmtpUtf8;
                    farewell(session, step);
                    return result;
                }
                const Reply mail =
                    session.command("MAIL FROM:<" + settings_.mailFrom + ">" +
                                        (address.internationalLocalPart ? " SMTPUTF8" : ""),
                                    step());
                if (!mail.positive()) {
                    result.status =
                        mail.transient() ? MailboxStatus::Temporary : MailboxStatus::Refused;
                    result.replyCode = mail.code;
                    result.replyText = printable(mail);
                    farewell(session, step);
                    return result;
                }
                const Reply rcpt = session.command("RCPT TO:<" + address.mailbox() + ">", step());
                result.status = classifyRecipient(rcpt);
                result.replyCode = rcpt.code;
                result.replyText = printable(rcpt);
                if (result.status == MailboxStatus::Deliverable) {
                    const Reply other =
                        session.command("RCPT TO:<" + randomMailbox(address) + ">", step());
                    result.catchAll = other.code == 250 || other.code == 251;
                }
                farewell(session, step);
                return result;
            } catch (const SessionLost&) {
                // A lost catch-all probe leaves the answer about the address standing.
                if (result.replyCode != 0) {
                    return result;
                }
            }
        }
    }
    if (!contacted) {
        result.status = MailboxStatus::PrivateExchanger;
        result.exchanger.clear();
    } else {
        result.status = busy ? MailboxStatus::Temporary : MailboxStatus::NoConnection;
    }
    return result;
}

}  // namespace verinox::checkd
