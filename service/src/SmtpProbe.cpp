#include "SmtpProbe.h"

#include "AddressScope.h"
#include "SmtpReply.h"

#include <boost/asio/connect.hpp>
#include <boost/asio/ip/tcp.hpp>
#include <boost/asio/read_until.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>
#include <boost/asio/write.hpp>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace verinox::checkd {

namespace asio = boost::asio;
using tcp = asio::ip::tcp;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kCatchAllMinLength = 10;
constexpr std::size_t kCatchAllMaxLength = 16;
constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz";
constexpr std::string_view kLettersAndDigits = "abcdefghijklmnopqrstuvwxyz0123456789";
// The session broke off: connection refused or lost, a step timed out, or the reply was garbage.
class SessionLost : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

std::string randomLocalPart() {
    thread_local std::mt19937 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> length(kCatchAllMinLength, kCatchAllMaxLength);
    std::uniform_int_distribution<std::size_t> letter(0, kLetters.size() - 1);
    std::uniform_int_distribution<std::size_t> any(0, kLettersAndDigits.size() - 1);
    std::string local(1, kLetters[letter(generator)]);
    for (std::size_t n = length(generator); local.size() < n;) {
        local += kLettersAndDigits[any(generator)];
    }
    return local;
}

bool advertises(const Reply& ehlo, std::string_view keyword) {
    return std::any_of(ehlo.lines.begin(), ehlo.lines.end(), [&](const std::string& line) {
        const std::string upper = [&] {
            std::string out = line.substr(0, keyword.size());
            std::transform(out.begin(), out.end(), out.begin(),
                           [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
            return out;
        }();
        return upper == keyword && (line.size() == keyword.size() || line[keyword.size()] == ' ');
    });
}

// One SMTP connection whose every step has a deadline: when it passes, the socket is closed
// and the step fails.
class Session {
  public:
    explicit Session(const asio::any_io_executor& executor)
        : state_(std::make_shared<State>(executor)) {}
    ~Session() {
        boost::system::error_code ignored;
        state_->watchdog.cancel();
        state_->socket.close(ignored);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    asio::awaitable<void> connect(std::string address, int port, Clock::time_point deadline) {
        boost::system::error_code ec;
        const auto ip = asio::ip::make_address(address, ec);
        if (ec) {
            throw SessionLost("not a numeric address");
        }
        co_await guarded(deadline, state_->socket.async_connect(
                                       tcp::endpoint(ip, static_cast<unsigned short>(port)),
                                       asio::use_awaitable));
    }

    asio::awaitable<Reply> command(const std::string& line, Clock::time_point deadline) {
        const std::string wire = line + "\r\n";
        co_await guarded(
            deadline, asio::async_write(state_->socket, asio::buffer(wire), asio::use_awaitable));
        co_return co_await readReply(deadline);
    }

    // A multi-line reply: "250-first", ..., "250 last".
    asio::awaitable<Reply> readReply(Clock::time_point deadline) {
        ReplyReader reader;
        for (;;) {
            const std::string line = co_await readLine(deadline);
            try {
                if (reader.addLine(line)) {
                    co_return reader.reply();
                }
            } catch (const MalformedReply& error) {
                throw SessionLost(error.what());
            }
        }
    }

  private:
    struct State {
        explicit State(const asio::any_io_executor& executor)
            : socket(executor), watchdog(executor) {}
        tcp::socket socket;
        asio::steady_timer watchdog;
    };

    template <class Operation>
    asio::awaitable<typename Operation::value_type> guarded(Clock::time_point deadline,
                                                            Operation operation);

    asio::awaitable<std::string> readLine(Clock::time_point deadline) {
        std::size_t end = 0;
        try {
            arm(deadline);
            end = co_await asio::async_read_until(
                state_->socket, asio::dynamic_buffer(buffer_, kMaxReplyLineOctets + 2), "\n",
                asio::use_awaitable);
            state_->watchdog.cancel();
        } catch (const boost::system::system_error& error) {
            throw SessionLost(error.what());
        }
        std::string line = buffer_.substr(0, end - 1);
        buffer_.erase(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        co_return line;
    }

    void arm(Clock::time_point deadline) {
        state_->watchdog.expires_at(deadline);
        state_->watchdog.async_wait([state = state_](boost::system::error_code ec) {
            if (!ec) {
                boost::system::error_code ignored;
                state->socket.close(ignored);
            }
        });
    }

    std::shared_ptr<State> state_;
    std::string buffer_;
};

template <class Operation>
asio::awaitable<typename Operation::value_type> Session::guarded(Clock::time_point deadline,
                                                                 Operation operation) {
    try {
        arm(deadline);
        if constexpr (std::is_void_v<typename Operation::value_type>) {
            co_await std::move(operation);
            state_->watchdog.cancel();
        } else {
            auto value = co_await std::move(operation);
            state_->watchdog.cancel();
            co_return value;
        }
    } catch (const boost::system::system_error& error) {
        throw SessionLost(error.what());
    }
}

// RSET and QUIT are courtesy: the outcome is known by then, so a failing farewell changes nothing.
asio::awaitable<void> farewell(Session& session, const auto& step) {
    try {
        const std::string reset = "RSET";
        const std::string quit = "QUIT";
        co_await session.command(reset, step());
        co_await session.command(quit, step());
    } catch (const SessionLost&) {
    }
}

void record(MailboxResult& result, const Reply& reply, const ReplyMeaning& meaning) {
    result.status = meaning.status;
    result.replyCode = reply.code;
    result.enhancedCode = meaning.enhancedCode;
    result.replyText = printable(reply);
    result.retryAfterSeconds = meaning.retryAfterSeconds;
}

}  // namespace

SmtpProbe::SmtpProbe(SmtpSettings settings, SmtpSlots& slots)
    : settings_(std::move(settings)), slots_(slots) {}

asio::awaitable<MailboxResult> SmtpProbe::probe(std::vector<Exchanger> exchangers,
                                                ParsedAddress address, Clock::time_point deadline) {
    const auto executor = co_await asio::this_coro::executor;
    MailboxResult result;
    // What the last exchanger that would not talk to us said, if none did.
    std::optional<MailboxResult> refusal;
    bool busy = false;
    bool noSlot = false;
    for (const auto& exchanger : exchangers) {
        for (const auto& ip : exchanger.addresses) {
            if (Clock::now() >= deadline) {
                break;
            }
            // One host, one limit: a v4-mapped AAAA answer counts as its IPv4 address.
            const std::string host = canonicalAddress(ip).value_or(ip);
            const SmtpSlots::Slot slot = co_await slots_.acquire(host, deadline);
            if (!slot) {
                noSlot = true;
                continue;
            }
            const auto step = [&] {
                return std::min(deadline, Clock::now() + settings_.stepTimeout);
            };
            result = MailboxResult{};
            result.exchanger = exchanger.host + " (" + ip + ")";
            try {
                Session session(executor);
                co_await session.connect(ip, settings_.port, step());
                const Reply greeting = co_await session.readReply(step());
                if (!greeting.positive()) {
                    busy = busy || greeting.transient();
                    refusal = result;
                    record(*refusal, greeting, classifyReply(greeting.code, greeting.text()));
                    continue;  // this exchanger does not serve us now; the next one may
                }
                // GCC 12 mishandles temporaries around co_await: commands are named values.
                const std::string ehlo = "EHLO " + settings_.helo;
                Reply hello = co_await session.command(ehlo, step());
                const bool extended = hello.positive();
                if (!extended) {
                    const std::string helo = "HELO " + settings_.helo;
                    hello = co_await session.command(helo, step());
                    if (!hello.positive()) {
                        busy = busy || hello.transient();
                        continue;
                    }
                }
                const bool utf8 = extended && advertises(hello, "SMTPUTF8");
                if (address.internationalLocalPart && !utf8) {
                    result.status = MailboxStatus::NoSmtpUtf8;
                    co_await farewell(session, step);
                    co_return result;
                }
                const std::string mailFrom = "MAIL FROM:<" + settings_.mailFrom + ">" +
                                             (address.internationalLocalPart ? " SMTPUTF8" : "");
                const Reply mail = co_await session.command(mailFrom, step());
                if (!mail.positive()) {
                    ReplyMeaning meaning = classifyReply(mail.code, mail.text());
                    if (meaning.status != MailboxStatus::SenderBlocked &&
                        meaning.status != MailboxStatus::Temporary) {
                        meaning.status = MailboxStatus::Refused;  // about the sender, not the box
                    }
                    record(result, mail, meaning);
                    co_await farewell(session, step);
                    co_return result;
                }
                const std::string rcptTo = "RCPT TO:<" + address.mailbox() + ">";
                const Reply rcpt = co_await session.command(rcptTo, step());
                record(result, rcpt, classifyReply(rcpt.code, rcpt.text()));
                if (result.status == MailboxStatus::Deliverable) {
                    // Undecided unless the exchanger clearly answers for the random address.
                    result.catchAll = CatchAll::Undecided;
                    const std::string randomTo =
                        "RCPT TO:<" + randomLocalPart() + "@" + address.asciiDomain + ">";
                    const Reply other = co_await session.command(randomTo, step());
                    const MailboxStatus otherStatus =
                        classifyReply(other.code, other.text()).status;
                    if (otherStatus == MailboxStatus::Deliverable) {
                        result.catchAll = CatchAll::Yes;
                    } else if (otherStatus == MailboxStatus::Rejected) {
                        result.catchAll = CatchAll::No;
                    }
                }
                co_await farewell(session, step);
                co_return result;
            } catch (const SessionLost&) {
                // A lost catch-all test leaves the answer about the address standing.
                if (result.replyCode != 0) {
                    co_return result;
                }
            }
        }
    }
    if (refusal) {
        if (refusal->status != MailboxStatus::SenderBlocked) {
            refusal->status = busy ? MailboxStatus::Temporary : MailboxStatus::Refused;
        }
        co_return *refusal;
    }
    result = MailboxResult{};
    result.status = busy     ? MailboxStatus::Temporary
                    : noSlot ? MailboxStatus::Busy
                             : MailboxStatus::NoConnection;
    co_return result;
}

}  // namespace verinox::checkd
