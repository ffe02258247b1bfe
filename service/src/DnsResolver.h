#pragma once

// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/io_context.hpp>

#include <chrono>
#include <memory>
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
    Unknown,            // SERVFAIL, refused, timeout, malformed answer
};

struct DomainResult {
    DomainStatus status = DomainStatus::Unknown;
    std::vector<Exchanger> exchangers;  // by preference, only those with addresses
    std::string detail;                 // German, for the report
};

// Mail exchanger lookup over c-ares, driven by the service's event loop: a lookup waits for its
// answers without holding a thread, so a silent server delays only the checks that need it.
class DnsResolver {
  public:
    // servers: "HOST:PORT" entries; empty means the system's resolvers. Throws when the list is
    // unusable.
    DnsResolver(boost::asio::io_context& io, const std::vector<std::string>& servers,
                std::chrono::milliseconds timeout);
    ~DnsResolver();
    DnsResolver(const DnsResolver&) = delete;
    DnsResolver& operator=(const DnsResolver&) = delete;

    boost::asio::awaitable<DomainResult> lookUpMailDomain(
        std::string asciiDomain, std::chrono::steady_clock::time_point deadline);

  private:
    struct Channel;
    std::shared_ptr<Channel> channel_;
};

}  // namespace verinox::checkd
