#include "AddressChecker.h"

#include "AddressSyntax.h"
#include "Utf8.h"

#include <algorithm>

namespace verinox::checkd {
namespace {

using Clock = std::chrono::steady_clock;

// An answer that may change soon (no reply, greylisting) is kept only briefly.
constexpr std::chrono::seconds kInconclusiveCacheTime{60};

constexpr std::string_view kSyntaxValid = "Die Schreibweise ist korrekt.";
constexpr std::string_view kReasonDeliverable = "Das Postfach existiert und nimmt E-Mails an.";
constexpr std::string_view kReasonRejected = "Das Postfach existiert nicht oder ist gesperrt.";
constexpr std::string_view kReasonFull = "Das Postfach ist voll.";
constexpr std::string_view kReasonTemporary = "Mailserver lehnt vorläufig ab (etwa Greylisting).";
constexpr std::string_view kReasonRefused = "Der Mailserver hat die Prüfung verweigert.";
constexpr std::string_view kReasonNoSmtpUtf8 = "Der Mailserver nimmt keine Umlaute vor dem @ an.";
constexpr std::string_view kReasonNoConnection = "Der Mailserver war nicht erreichbar.";
constexpr std::string_view kReasonPrivate = "Mailserver im privaten Netz; er wird nicht gefragt.";
constexpr std::string_view kReasonNoSlot = "Zu viele Prüfungen dieser Domain gleichzeitig.";
constexpr std::string_view kReasonCatchAll = "Die Domain nimmt jede Adresse an (Catch-all).";
constexpr std::string_view kReasonDisposable = "Wegwerf-Adresse eines Einmal-Postfach-Anbieters.";
constexpr std::string_view kReasonRole = "Funktionsadresse (etwa info@), keine Person.";

std::string_view mailboxReason(MailboxStatus status) {
    switch (status) {
        case MailboxStatus::Deliverable:
            return kReasonDeliverable;
        case MailboxStatus::Rejected:
            return kReasonRejected;
        case MailboxStatus::MailboxFull:
            return kReasonFull;
        case MailboxStatus::Temporary:
            return kReasonTemporary;
        case MailboxStatus::Refused:
            return kReasonRefused;
        case MailboxStatus::NoSmtpUtf8:
            return kReasonNoSmtpUtf8;
        case MailboxStatus::NoConnection:
            return kReasonNoConnection;
        case MailboxStatus::PrivateExchanger:
            return kReasonPrivate;
    }
    return kReasonNoConnection;
}

bool domainAcceptsMail(DomainStatus status) {
    return status == DomainStatus::MailExchangers || status == DomainStatus::ImplicitExchanger;
}

// Hard failures first, then the risks, then what could not be found out.
void decide(CheckReport& report) {
    const auto& domain = *report.domain;
    if (domain.status != DomainStatus::Unknown && !domainAcceptsMail(domain.status)) {
        report.verdict = Verdict::Invalid;
        report.reason = domain.detail;
        return;
    }
    const MailboxResult* mailbox = report.mailbox ? &report.mailbox->result : nullptr;
    const MailboxStatus status = mailbox ? mailbox->status : MailboxStatus::NoConnection;
    if (mailbox && (status == MailboxStatus::Rejected || status == MailboxStatus::NoSmtpUtf8)) {
        report.verdict = Verdict::Invalid;
        report.reason = report.mailbox->detail;
        return;
    }
    const auto& classification = *report.classification;
    const bool catchAll = mailbox && status == MailboxStatus::Deliverable && mailbox->catchAll;
    report.verdict = Verdict::Risky;
    if (mailbox && status == MailboxStatus::MailboxFull) {
        report.reason = kReasonFull;
    } else if (catchAll) {
        report.reason = kReasonCatchAll;
    } else if (classification.disposable) {
        report.reason = kReasonDisposable;
    } else if (classification.roleAddress) {
        report.reason = kReasonRole;
    } else if (mailbox && status == MailboxStatus::Deliverable) {
        report.verdict = Verdict::Valid;
        report.reason = report.mailbox->detail;
    } else {
        report.verdict = Verdict::Unknown;
        report.reason = mailbox ? report.mailbox->detail : domain.detail;
    }
}

std::shared_ptr<const CheckReport> invalidReport(std::string_view address,
                                                 const InvalidAddress& invalid) {
    auto report = std::make_shared<CheckReport>();
    report->address = toDisplayUtf8(address);
    report->verdict = Verdict::Invalid;
    report->reason = invalid.what();
    report->syntax.detail = invalid.what();
    return report;
}

// A kept result serves every spelling of its mailbox; the page shows the spelling asked for.
std::shared_ptr<const CheckReport> asRequested(std::shared_ptr<const CheckReport> report,
                                               std::string_view address,
                                               const ParsedAddress& parsed) {
    if (!report || report->address == address) {
        return report;
    }
    auto copy = std::make_shared<CheckReport>(*report);
    copy->address = std::string(address);
    if (copy->suggestion) {
        copy->suggestion =
            parsed.localPart + copy->suggestion->substr(copy->suggestion->rfind('@'));
    }
    return copy;
}

}  // namespace

AddressChecker::AddressChecker(CheckerSettings settings, const DomainLists& lists)
    : settings_(std::move(settings)),
      lists_(lists),
      resolver_(settings_.dnsServers, settings_.smtp.stepTimeout),
      probe_(settings_.smtp),
      slots_(settings_.smtpSessions, settings_.smtpSessionsPerDomain),
      reports_(settings_.cacheEntries),
      domains_(settings_.cacheEntries) {}

std::shared_ptr<const CheckReport> AddressChecker::quickAnswer(std::string_view address) {
    try {
        const ParsedAddress parsed = parseAddress(address);
        return asRequested(reports_.find(parsed.mailboxKey()).value_or(nullptr), address, parsed);
    } catch (const InvalidAddress& invalid) {
        return invalidReport(address, invalid);
    }
}

std::shared_ptr<const CheckReport> AddressChecker::check(std::string_view address) {
    try {
        const ParsedAddress parsed = parseAddress(address);
        auto report = reports_.getOrCompute(parsed.mailboxKey(), [&] {
            auto fresh = checkMailbox(address, parsed);
            return std::pair{fresh, keepTime(fresh->verdict != Verdict::Unknown)};
        });
        return asRequested(std::move(report), address, parsed);
    } catch (const InvalidAddress& invalid) {
        return invalidReport(address, invalid);
    }
}

AddressChecker::ReportPtr AddressChecker::checkMailbox(std::string_view address,
                                                       const ParsedAddress& parsed) {
    const auto deadline = Clock::now() + settings_.budget;
    auto report = std::make_shared<CheckReport>();
    report->address = std::string(address);
    report->syntax = SyntaxStep{true,
                                std::string(kSyntaxValid),
                                parsed.asciiDomain,
                                parsed.internationalLocalPart,
                                parsed.internationalDomain,
                                parsed.addressLiteral};
    if (!parsed.addressLiteral) {
        if (auto better = lists_.suggestDomain(parsed.asciiDomain)) {
            report->suggestion = parsed.localPart + "@" + *better;
        }
    }
    report->domain = lookUpDomain(parsed, deadline);
    if (domainAcceptsMail(report->domain->status)) {
        report->mailbox = askExchangers(*report->domain, parsed, deadline);
    }
    report->classification = ClassificationStep{lists_.isDisposable(parsed.asciiDomain),
                                                lists_.isFreeProvider(parsed.asciiDomain),
                                                lists_.isRoleAddress(parsed.localPart)};
    decide(*report);
    return report;
}

DomainResult AddressChecker::lookUpDomain(const ParsedAddress& parsed, Clock::time_point deadline) {
    if (parsed.addressLiteral) {
        return DomainResult{DomainStatus::MailExchangers,
                            {Exchanger{parsed.asciiDomain, 0, {parsed.literalAddress}}},
                            "IP-Adresse statt Domainname; sie wird direkt gefragt."};
    }
    return domains_.getOrCompute(parsed.asciiDomain, [&] {
        auto result = resolver_.lookUpMailDomain(parsed.asciiDomain, deadline);
        return std::pair{result, keepTime(result.status != DomainStatus::Unknown)};
    });
}

MailboxStep AddressChecker::askExchangers(const DomainResult& domain, const ParsedAddress& parsed,
                                          Clock::time_point deadline) {
    MailboxStep step;
    if (!slots_.acquire(parsed.asciiDomain, deadline)) {
        step.result.status = MailboxStatus::Temporary;
        step.detail = kReasonNoSlot;
        return step;
    }
    const SmtpSlots::Slot slot(slots_, parsed.asciiDomain);
    step.result = probe_.probe(domain.exchangers, parsed, deadline);
    step.detail = mailboxReason(step.result.status);
    return step;
}

Clock::duration AddressChecker::keepTime(bool conclusive) const {
    if (conclusive) {
        return settings_.cacheTime;
    }
    return std::min<Clock::duration>(settings_.cacheTime, kInconclusiveCacheTime);
}

}  // namespace verinox::checkd
