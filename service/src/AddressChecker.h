#pragma once

#include "CheckReport.h"
#include "DomainLists.h"
#include "SmtpProbe.h"

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace verinox::checkd {

struct CheckerSettings {
    std::vector<std::string> dnsServers;  // empty: the system's resolvers
    SmtpSettings smtp;
    std::chrono::milliseconds budget{30000};  // for one whole check
    std::chrono::seconds cacheTime{600};
    std::size_t smtpSessions = 32;
    std::size_t smtpSessionsPerExchanger = 2;
    std::size_t cacheEntries = 100000;
};

// Runs the check of one address: syntax, domain and exchangers, mailbox, classification, verdict.
// Checks run on the given event loop and wait for DNS and SMTP without holding its thread; one
// mailbox is checked once at a time and its result kept for the cache time.
class AddressChecker {
  public:
    using ReportPtr = std::shared_ptr<const CheckReport>;

    AddressChecker(boost::asio::io_context& io, CheckerSettings settings, const DomainLists& lists);
    ~AddressChecker();
    AddressChecker(const AddressChecker&) = delete;
    AddressChecker& operator=(const AddressChecker&) = delete;

    // The answer when syntax alone decides or the mailbox's result is kept; null otherwise.
    ReportPtr quickAnswer(std::string_view address);
    // Call on the loop's thread; done is called there once, possibly before check returns.
    void check(std::string_view address, std::function<void(ReportPtr)> done);
    // Runs the loop until the check is done: for callers that do not run the loop themselves.
    ReportPtr checkNow(std::string_view address);

  private:
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

}  // namespace verinox::checkd
