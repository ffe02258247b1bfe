#pragma once

#include "CheckReport.h"
#include "DnsResolver.h"
#include "DomainLists.h"
#include "ExpiringCache.h"
#include "SmtpProbe.h"
#include "SmtpSlots.h"

#include <chrono>
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
    std::size_t smtpSessionsPerDomain = 2;
    std::size_t cacheEntries = 100000;
};

// Runs the check of one address: syntax, domain and exchangers, mailbox, classification, verdict.
class AddressChecker {
  public:
    AddressChecker(CheckerSettings settings, const DomainLists& lists);

    // The answer when syntax alone decides or the mailbox's result is kept; null otherwise.
    std::shared_ptr<const CheckReport> quickAnswer(std::string_view address);
    std::shared_ptr<const CheckReport> check(std::string_view address);

  private:
    using ReportPtr = std::shared_ptr<const CheckReport>;

    ReportPtr checkMailbox(std::string_view address, const ParsedAddress& parsed);
    DomainResult lookUpDomain(const ParsedAddress& parsed,
                              std::chrono::steady_clock::time_point deadline);
    MailboxStep askExchangers(const DomainResult& domain, const ParsedAddress& parsed,
                              std::chrono::steady_clock::time_point deadline);
    std::chrono::steady_clock::duration keepTime(bool conclusive) const;

    CheckerSettings settings_;
    const DomainLists& lists_;
    DnsResolver resolver_;
    SmtpProbe probe_;
    SmtpSlots slots_;
    ExpiringCache<ReportPtr> reports_;
    ExpiringCache<DomainResult> domains_;
};

}  // namespace verinox::checkd
