#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace verinox::checkd {

struct Exchanger {
    std::string host;
    int preference = 0;
    std::vector<std::string> addresses;  // numeric IPv4 and IPv6 addresses
};

enum class DomainStatus {
    MailExchangers,     // MX records with addresses
    ImplicitExchanger,  // no MX: the domain's own A/AAAA (RFC 5321 section 5.1)
    NullMx,             // RFC 7505: the domain accepts no mail
    NoSuchDomain,       // NXDOMAIN
    NoMailHost,         // the name exists but nothing can receive mail for it
    Unknown,            // SERVFAIL, refused, timeout
};

struct DomainResult {
    DomainStatus status = DomainStatus::Unknown;
    std::vector<Exchanger> exchangers;  // by preference, only those with addresses
    std::string detail;                 // German, for the report
};

// Mail exchanger lookup over c-ares. Each lookup has its own channel, so lookups of different
// checks run side by side on their own threads and a silent server delays only its own check.
class DnsResolver {
  public:
    // servers: "HOST:PORT" entries; empty means the system's resolvers.
    DnsResolver(std::vector<std::string> servers, std::chrono::milliseconds timeout);

    DomainResult lookUpMailDomain(const std::string& asciiDomain,
                                  std::chrono::steady_clock::time_point deadline) const;

  private:
    std::string serversCsv_;
    std::chrono::milliseconds timeout_;
};

}  // namespace verinox::checkd
