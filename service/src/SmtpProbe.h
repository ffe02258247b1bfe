#pragma once

#include "AddressSyntax.h"
#include "DnsResolver.h"

#include <chrono>
#include <string>
#include <vector>

namespace verinox::checkd {

enum class MailboxStatus {
    Deliverable,       // 250/251
    Rejected,          // 550/551/553: no such or disabled mailbox
    MailboxFull,       // 552/452
    Temporary,         // 4xx, 421: greylisting or a busy server
    Refused,           // the server refused the check itself (sender, policy)
    NoSmtpUtf8,        // UTF-8 local part, but the server cannot take one
    NoConnection,      // no exchanger answered
    PrivateExchanger,  // every exchanger is on a private or loopback address
};

struct MailboxResult {
    MailboxStatus status = MailboxStatus::NoConnection;
    bool catchAll = false;  // a random address of the domain was accepted too
    std::string exchanger;  // host and address that answered
    int replyCode = 0;      // reply to RCPT TO, 0 when none
    std::string replyText;  // the server's words, printable ASCII only
};

struct SmtpSettings {
    int port = 25;
    std::string helo;
    std::string mailFrom;
    std::chrono::milliseconds stepTimeout{10000};
    bool allowPrivateExchangers = false;
};

// Asks the exchangers, in order, whether they would take mail for an address, and stops before
// any mail is sent: EHLO, MAIL FROM, RCPT TO (the address, then a random one), RSET, QUIT.
class SmtpProbe {
  public:
    explicit SmtpProbe(SmtpSettings settings);

    MailboxResult probe(const std::vector<Exchanger>& exchangers, const ParsedAddress& address,
                        std::chrono::steady_clock::time_point deadline) const;

  private:
    SmtpSettings settings_;
};

}  // namespace verinox::checkd
