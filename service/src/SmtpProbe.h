#pragma once

// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>

#include "AddressSyntax.h"
#include "DnsResolver.h"
#include "SmtpSlots.h"

#include <boost/asio/awaitable.hpp>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace verinox::checkd {

enum class MailboxStatus {
    Deliverable,       // 250/251
    Rejected,          // no such mailbox (X.1.x, or 550/551/553 without an enhanced code)
    Disabled,          // the mailbox exists but takes no mail (X.2.1)
    MailboxFull,       // X.2.2, or 452/552 without an enhanced code
    SenderBlocked,     // our sender is refused (X.7.x, block lists): nothing known of the mailbox
    Temporary,         // 4xx: greylisting or a busy server
    Refused,           // the server refused the check itself for another reason
    NoSmtpUtf8,        // UTF-8 local part, but the server cannot take one
    NoConnection,      // no exchanger answered
    PrivateExchanger,  // no exchanger may be asked (special-purpose addresses)
    LiteralNotProbed,  // an address literal; such hosts are not asked by default
    Busy,              // no session slot for the exchanger came free in time
};

// The random-address test: does the domain accept any local part?
enum class CatchAll { NotTested, Yes, No, Undecided };

struct MailboxResult {
    MailboxStatus status = MailboxStatus::NoConnection;
    CatchAll catchAll = CatchAll::NotTested;
    std::string exchanger;     // host and address that answered
    int replyCode = 0;         // the deciding reply, 0 when none
    std::string enhancedCode;  // its enhanced status code ("5.1.1"), empty when none was given
    std::string replyText;     // the server's words, printable ASCII only
    std::optional<int> retryAfterSeconds;  // when a temporary refusal names a time
};

// What one reply says about the mailbox.
struct ReplyMeaning {
    MailboxStatus status;
    std::string enhancedCode;
    std::optional<int> retryAfterSeconds;
};

// Reads a reply to RCPT TO (or MAIL FROM) by its code, its enhanced status code (RFC 3463) and
// its text: what the code alone says is refined by the enhanced code, and block-list wording
// marks a refusal of our sender rather than of the mailbox.
ReplyMeaning classifyReply(int code, std::string_view text);

struct SmtpSettings {
    int port = 25;
    std::string helo;
    std::string mailFrom;
    std::chrono::milliseconds stepTimeout{10000};
    bool allowPrivateExchangers = false;
    bool probeLiterals = false;
};

// Asks the exchangers, in order, whether they would take mail for an address, and stops before
// any mail is sent: EHLO, MAIL FROM, RCPT TO (the address, then a random one), RSET, QUIT. Runs on
// the event loop; sessions take a slot per exchanger address.
class SmtpProbe {
  public:
    SmtpProbe(SmtpSettings settings, SmtpSlots& slots);

    boost::asio::awaitable<MailboxResult> probe(std::vector<Exchanger> exchangers,
                                                ParsedAddress address,
                                                std::chrono::steady_clock::time_point deadline);

  private:
    SmtpSettings settings_;
    SmtpSlots& slots_;
};

}  // namespace verinox::checkd
