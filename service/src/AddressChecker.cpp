#include "AddressChecker.h"

#include "AddressScope.h"
#include "AddressSyntax.h"
#include "DnsResolver.h"
#include "ExpiringCache.h"
#include "SmtpSlots.h"
#include "Utf8.h"

#include <boost/asio/co_spawn.hpp>
#include <boost/asio/detached.hpp>

#include <algorithm>
#include <unordered_map>

namespace verinox::checkd {

namespace asio = boost::asio;
using Clock = std::chrono::steady_clock;
using ReportPtr = AddressChecker::ReportPtr;

namespace {

// An answer that may change soon (no reply, greylisting) is kept only briefly.
constexpr std::chrono::seconds kInconclusiveCacheTime{60};
constexpr int kRetryInMinutesFrom = 120;

constexpr std::string_view kSyntaxValid = "Die Schreibweise ist korrekt.";
constexpr std::string_view kReasonDeliverable = "Das Postfach existiert und nimmt E-Mails an.";
constexpr std::string_view kReasonRejected = "Das Postfach existiert nicht oder ist gesperrt.";
constexpr std::string_view kReasonDisabled = "Das Postfach ist gesperrt oder stillgelegt.";
constexpr std::string_view kReasonFull = "Das Postfach ist voll.";
constexpr std::string_view kReasonSenderBlocked =
    "Der Mailserver sperrt unseren Prüfserver; über das Postfach sagt das nichts.";
constexpr std::string_view kReasonTemporary = "Mailserver lehnt vorläufig ab (etwa Greylisting).";
constexpr std::string_view kReasonRefused = "Der Mailserver hat die Prüfung verweigert.";
constexpr std::string_view kReasonNoSmtpUtf8 = "Der Mailserver nimmt keine Umlaute vor dem @ an.";
constexpr std::string_view kReasonNoConnection = "Der Mailserver war nicht erreichbar.";
constexpr std::string_view kReasonPrivate = "Mailserver im privaten Netz; er wird nicht gefragt.";
constexpr std::string_view kReasonLiteral = "IP-Adresse statt Domainname; sie wird nicht gefragt.";
constexpr std::string_view kReasonBusy = "Zu viele Prüfungen bei diesem Mailserver gleichzeitig.";
constexpr std::string_view kReasonCatchAll = "Die Domain nimmt jede Adresse an (Catch-all).";
constexpr std::string_view kReasonCatchAllOpen =
    "Das Postfach nimmt an; ob die Domain jede Adresse annimmt, blieb offen.";
constexpr std::string_view kReasonDisposable = "Wegwerf-Adresse eines Einmal-Postfach-Anbieters.";
constexpr std::string_view kReasonRole = "Funktionsadresse (etwa info@), keine Person.";

struct Reason {
    std::string_view text;
    std::string_view key;
};

Reason mailboxReason(MailboxStatus status) {
    switch (status) {
        case MailboxStatus::Deliverable:
            return {kReasonDeliverable, "deliverable"};
        case MailboxStatus::Rejected:
            return {kReasonRejected, "no-such-mailbox"};
        case MailboxStatus::Disabled:
            return {kReasonDisabled, "mailbox-disabled"};
        case MailboxStatus::MailboxFull:
            return {kReasonFull, "mailbox-full"};
        case MailboxStatus::SenderBlocked:
            return {kReasonSenderBlocked, "sender-blocked"};
        case MailboxStatus::Temporary:
            return {kReasonTemporary, "temporary"};
        case MailboxStatus::Refused:
            return {kReasonRefused, "refused"};
        case MailboxStatus::NoSmtpUtf8:
            return {kReasonNoSmtpUtf8, "no-smtputf8"};
        case MailboxStatus::NoConnection:
            return {kReasonNoConnection, "no-connection"};
        case MailboxStatus::PrivateExchanger:
            return {kReasonPrivate, "exchanger-not-checked"};
        case MailboxStatus::LiteralNotProbed:
            return {kReasonLiteral, "literal-not-checked"};
        case MailboxStatus::Busy:
            return {kReasonBusy, "exchanger-busy"};
    }
    return {kReasonNoConnection, "no-connection"};
}

std::string_view domainReasonKey(DomainStatus status) {
    switch (status) {
        case DomainStatus::NullMx:
            return "null-mx";
        case DomainStatus::NoSuchDomain:
            return "no-such-domain";
        case DomainStatus::NoMailHost:
            return "no-mail-host";
        case DomainStatus::Unknown:
            return "dns-unknown";
        case DomainStatus::MailExchangers:
        case DomainStatus::ImplicitExchanger:
            break;
    }
    return "dns-unknown";
}

std::string mailboxDetail(const MailboxResult& result) {
    std::string detail(mailboxReason(result.status).text);
    if (result.status == MailboxStatus::Temporary && result.retryAfterSeconds) {
        const int seconds = *result.retryAfterSeconds;
        detail +=
            seconds >= kRetryInMinutesFrom
                ? " Neuer Versuch in etwa " + std::to_string((seconds + 59) / 60) + " Minuten."
                : " Neuer Versuch in etwa " + std::to_string(seconds) + " Sekunden.";
    }
    return detail;
}

bool domainAcceptsMail(DomainStatus status) {
    return status == DomainStatus::MailExchangers || status == DomainStatus::ImplicitExchanger;
}

void setReason(CheckReport& report, Verdict verdict, std::string_view text, std::string_view key) {
    report.verdict = verdict;
    report.reason = std::string(text);
    report.reasonKey = std::string(key);
}

// Hard failures first, then the risks, then what could not be found out.
void decide(CheckReport& report) {
    const auto& domain = *report.domain;
    if (domain.status != DomainStatus::Unknown && !domainAcceptsMail(domain.status)) {
        setReason(report, Verdict::Invalid, domain.detail, domainReasonKey(domain.status));
        return;
    }
    const MailboxResult* mailbox = report.mailbox ? &report.mailbox->result : nullptr;
    const MailboxStatus status = mailbox ? mailbox->status : MailboxStatus::NoConnection;
    const Reason mailboxWhy = mailboxReason(status);
    if (mailbox && (status == MailboxStatus::Rejected || status == MailboxStatus::NoSmtpUtf8)) {
        setReason(report, Verdict::Invalid, report.mailbox->detail, mailboxWhy.key);
        return;
    }
    const auto& classification = *report.classification;
    const bool deliverable = mailbox && status == MailboxStatus::Deliverable;
    // A full or disabled mailbox exists (X.2.x): it may take mail again.
    if (mailbox && status == MailboxStatus::MailboxFull) {
        setReason(report, Verdict::Risky, kReasonFull, "mailbox-full");
    } else if (mailbox && status == MailboxStatus::Disabled) {
        setReason(report, Verdict::Risky, kReasonDisabled, "mailbox-disabled");
    } else if (deliverable && mailbox->catchAll == CatchAll::Yes) {
        setReason(report, Verdict::Risky, kReasonCatchAll, "catch-all");
    } else if (classification.disposable) {
        setReason(report, Verdict::Risky, kReasonDisposable, "disposable");
    } else if (classification.roleAddress) {
        setReason(report, Verdict::Risky, kReasonRole, "role-address");
    } else if (deliverable && mailbox->catchAll == CatchAll::No) {
        setReason(report, Verdict::Valid, report.mailbox->detail, mailboxWhy.key);
    } else if (deliverable) {
        setReason(report, Verdict::Unknown, kReasonCatchAllOpen, "catch-all-undecided");
    } else if (mailbox) {
        setReason(report, Verdict::Unknown, report.mailbox->detail, mailboxWhy.key);
    } else {
        setReason(report, Verdict::Unknown, domain.detail, domainReasonKey(domain.status));
    }
}

MailboxStep notAsked(MailboxStatus status) {
    MailboxStep step;
    step.result.status = status;
    return step;
}

ReportPtr invalidReport(std::string_view address, const InvalidAddress& invalid) {
    auto report = std::make_shared<CheckReport>();
    report->address = toDisplayUtf8(address);
    setReason(*report, Verdict::Invalid, invalid.what(), "syntax");
    report->syntax.detail = invalid.what();
    return report;
}

// A kept result serves every spelling of its mailbox; the page shows the spelling asked for.
ReportPtr asRequested(ReportPtr report, std::string_view address, const ParsedAddress& parsed) {
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

// Leaves out the addresses that may not be asked; counts the exchangers left with none.
std::size_t keepAskable(DomainResult& domain, bool allowPrivate) {
    if (allowPrivate) {
        return 0;
    }
    const std::size_t before = domain.exchangers.size();
    for (auto& exchanger : domain.exchangers) {
        std::erase_if(exchanger.addresses,
                      [](const std::string& ip) { return !isPublicAddress(ip); });
    }
    std::erase_if(domain.exchangers, [](const Exchanger& e) { return e.addresses.empty(); });
    return before - domain.exchangers.size();
}

}  // namespace

struct AddressChecker::Impl : std::enable_shared_from_this<AddressChecker::Impl> {
    Impl(asio::io_context& context, CheckerSettings checkerSettings, const DomainLists& domainLists)
        : io(context),
          settings(std::move(checkerSettings)),
          lists(domainLists),
          resolver(context, settings.dnsServers, settings.smtp.stepTimeout),
          slots(settings.smtpSessions, settings.smtpSessionsPerExchanger),
          probe(settings.smtp, slots),
          reports(settings.cacheEntries),
          domains(settings.cacheEntries) {}

    // The whole check runs with the state held, so nothing it uses goes before it ends.
    static asio::awaitable<void> run(std::shared_ptr<Impl> self, std::string key,
                                     std::string address, ParsedAddress parsed) {
        ReportPtr report;
        try {
            report = co_await self->checkMailbox(address, parsed);
        } catch (const std::exception&) {
            auto failed = std::make_shared<CheckReport>();
            failed->address = address;
            setReason(*failed, Verdict::Unknown,
                      "Bei der Prüfung ist ein interner Fehler aufgetreten.", "internal-error");
            report = failed;
        }
        self->reports.store(key, report, self->keepTime(report->verdict != Verdict::Unknown));
        const auto waiting = self->running.extract(key);
        for (const auto& done : waiting.mapped()) {
            done(report);
        }
    }

    asio::awaitable<ReportPtr> checkMailbox(std::string address, ParsedAddress parsed) {
        const auto deadline = Clock::now() + settings.budget;
        auto report = std::make_shared<CheckReport>();
        report->address = address;
        report->syntax = SyntaxStep{true,
                                    std::string(kSyntaxValid),
                                    parsed.asciiDomain,
                                    parsed.internationalLocalPart,
                                    parsed.internationalDomain,
                                    parsed.addressLiteral};
        report->classification = ClassificationStep{lists.isDisposable(parsed.asciiDomain),
                                                    lists.isFreeProvider(parsed.asciiDomain),
                                                    lists.isRoleAddress(parsed.localPart)};
        if (parsed.addressLiteral) {
            report->domain =
                DomainResult{DomainStatus::MailExchangers,
                             {Exchanger{parsed.asciiDomain, 0, {parsed.literalAddress}}},
                             "IP-Adresse statt Domainname."};
            if (!settings.smtp.probeLiterals) {
                report->domain->exchangers.clear();
                report->mailbox = notAsked(MailboxStatus::LiteralNotProbed);
            }
        } else {
            // GCC 12 mishandles temporaries around co_await: each result lands in a named value.
            DomainResult domain = co_await lookUpDomain(parsed.asciiDomain, deadline);
            report->domain = std::move(domain);
            // A domain whose own exchangers answer DNS is no typo, whatever it resembles.
            if (report->domain->exchangers.empty()) {
                if (auto better = lists.suggestDomain(parsed.asciiDomain)) {
                    report->suggestion = parsed.localPart + "@" + *better;
                }
            }
        }
        if (!report->mailbox && domainAcceptsMail(report->domain->status)) {
            report->exchangersNotChecked =
                keepAskable(*report->domain, settings.smtp.allowPrivateExchangers);
            if (report->domain->exchangers.empty()) {
                report->mailbox = notAsked(MailboxStatus::PrivateExchanger);
            } else {
                MailboxResult probed =
                    co_await probe.probe(report->domain->exchangers, parsed, deadline);
                report->mailbox = MailboxStep{std::move(probed), {}};
            }
        }
        if (report->mailbox) {
            report->mailbox->detail = mailboxDetail(report->mailbox->result);
        }
        decide(*report);
        co_return report;
    }

    asio::awaitable<DomainResult> lookUpDomain(std::string domain, Clock::time_point deadline) {
        if (auto kept = domains.find(domain)) {
            co_return *kept;
        }
        DomainResult result = co_await resolver.lookUpMailDomain(domain, deadline);
        domains.store(domain, result, keepTime(result.status != DomainStatus::Unknown));
        co_return result;
    }

    Clock::duration keepTime(bool conclusive) const {
        if (conclusive) {
            return settings.cacheTime;
        }
        return std::min<Clock::duration>(settings.cacheTime, kInconclusiveCacheTime);
    }

    asio::io_context& io;
    CheckerSettings settings;
    const DomainLists& lists;
    DnsResolver resolver;
    SmtpSlots slots;
    SmtpProbe probe;
    ExpiringCache<ReportPtr> reports;
    ExpiringCache<DomainResult> domains;
    // Checks under way, by mailbox, with everyone waiting for each.
    std::unordered_map<std::string, std::vector<std::function<void(ReportPtr)>>> running;
};

AddressChecker::AddressChecker(asio::io_context& io, CheckerSettings settings,
                               const DomainLists& lists)
    : impl_(std::make_shared<Impl>(io, std::move(settings), lists)) {}

AddressChecker::~AddressChecker() = default;

ReportPtr AddressChecker::quickAnswer(std::string_view address) {
    try {
        const ParsedAddress parsed = parseAddress(address);
        return asRequested(impl_->reports.find(parsed.mailboxKey()).value_or(nullptr), address,
                           parsed);
    } catch (const InvalidAddress& invalid) {
        return invalidReport(address, invalid);
    }
}

void AddressChecker::check(std::string_view address, std::function<void(ReportPtr)> done) {
    ParsedAddress parsed;
    try {
        parsed = parseAddress(address);
    } catch (const InvalidAddress& invalid) {
        done(invalidReport(address, invalid));
        return;
    }
    std::string key = parsed.mailboxKey();
    if (auto kept = impl_->reports.find(key)) {
        done(asRequested(*kept, address, parsed));
        return;
    }
    auto& waiting = impl_->running[key];
    const bool first = waiting.empty();
    waiting.push_back([done = std::move(done), requested = std::string(address),
                       parsed](ReportPtr report) { done(asRequested(report, requested, parsed)); });
    if (first) {
        asio::co_spawn(impl_->io,
                       Impl::run(impl_, std::move(key), std::string(address), std::move(parsed)),
                       asio::detached);
    }
}

ReportPtr AddressChecker::checkNow(std::string_view address) {
    ReportPtr result;
    check(address, [&result](ReportPtr report) { result = std::move(report); });
    impl_->io.restart();
    while (!result && impl_->io.run_one() > 0) {
    }
    return result;
}

}  // namespace verinox::checkd
