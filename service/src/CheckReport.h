#pragma once

#include "DnsResolver.h"
#include "SmtpProbe.h"

#include <optional>
#include <string>

namespace verinox::checkd {

enum class Verdict { Valid, Risky, Invalid, Unknown };

struct SyntaxStep {
    bool valid = false;
    std::string detail;
    std::string asciiDomain;
    bool internationalLocalPart = false;
    bool internationalDomain = false;
    bool addressLiteral = false;
};

struct ClassificationStep {
    bool disposable = false;
    bool freeProvider = false;
    bool roleAddress = false;
};

struct MailboxStep {
    MailboxResult result;
    std::string detail;
};

// Everything one check found out, step by step; a step that was not reached is empty.
struct CheckReport {
    std::string address;  // as requested, made valid UTF-8 for display
    Verdict verdict = Verdict::Unknown;
    std::string reason;
    std::string reasonKey;                  // the reason for machines: stable, English, kebab-case
    std::optional<std::string> suggestion;  // a whole corrected address
    SyntaxStep syntax;
    std::optional<DomainResult> domain;  // exchangers that may not be asked left out
    std::size_t exchangersNotChecked = 0;
    std::optional<MailboxStep> mailbox;
    std::optional<ClassificationStep> classification;
};

}  // namespace verinox::checkd
