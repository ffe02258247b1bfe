#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace verinox::checkd {

// Raised for every address that is not a mailbox; the message is the German reason shown.
class InvalidAddress : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct ParsedAddress {
    std::string localPart;  // as given, quotes included
    // The same mailbox in its plainest spelling: quotes and escapes only where needed.
    std::string canonicalLocalPart;
    std::string domain;       // as given
    std::string asciiDomain;  // lower-case A-label form, or the canonical literal in brackets
    bool quotedLocalPart = false;
    bool internationalLocalPart = false;  // needs SMTPUTF8
    bool internationalDomain = false;
    bool addressLiteral = false;
    std::string literalAddress;  // the IP address of an address literal, canonical

    // The mailbox as it is sent over SMTP.
    std::string mailbox() const { return canonicalLocalPart + "@" + asciiDomain; }
    // One key per mailbox, however it was spelt: exchangers take local parts without regard to
    // the case of ASCII letters.
    std::string mailboxKey() const;
};

inline constexpr std::size_t kMaxRequestAddressOctets = 320;
inline constexpr std::size_t kMaxLocalPartOctets = 64;
inline constexpr std::size_t kMaxDomainOctets = 255;
inline constexpr std::size_t kMaxPathOctets = 254;

// Checks a mailbox as SMTP carries it (RFC 5321, with RFC 6531 UTF-8 local parts and RFC 5890
// internationalised domains); throws InvalidAddress with the reason.
ParsedAddress parseAddress(std::string_view address);

}  // namespace verinox::checkd
