#include "ResultPage.h"

#include "Utf8.h"

#include <nlohmann/json.hpp>

#include <array>

namespace verinox::checkd {
namespace {

struct VerdictLook {
    std::string_view word;
    std::string_view cssClass;
    std::string_view icon;  // inline SVG, 20 x 20
};

constexpr std::string_view kIconValid =
    R"(<svg width="20" height="20" viewBox="0 0 20 20" aria-hidden="true"><circle cx="10" cy="10" r="10" fill="#1b7f2a"/><path d="M5 10.5l3.2 3.2L15 7" stroke="#fff" stroke-width="2.4" fill="none"/></svg>)";
constexpr std::string_view kIconRisky =
    R"(<svg width="20" height="20" viewBox="0 0 20 20" aria-hidden="true"><path d="M10 1L19.5 18.5H.5z" fill="#c25e00"/><path d="M10 7v6M10 14.6v2" stroke="#fff" stroke-width="2.2"/></svg>)";
constexpr std::string_view kIconInvalid =
    R"(<svg width="20" height="20" viewBox="0 0 20 20" aria-hidden="true"><circle cx="10" cy="10" r="10" fill="#c0262d"/><path d="M6 6l8 8M14 6l-8 8" stroke="#fff" stroke-width="2.4"/></svg>)";
constexpr std::string_view kIconUnknown =
    R"(<svg width="20" height="20" viewBox="0 0 20 20" aria-hidden="true"><circle cx="10" cy="10" r="10" fill="#56657a"/><path d="M7 7.5a3 3 0 1 1 4.2 2.7c-.8.4-1.2 1-1.2 1.8v.8M10 14.2v2" stroke="#fff" stroke-width="2.1" fill="none"/></svg>)";

constexpr std::array<VerdictLook, 4> kLooks = {{
    {"gültig", "valid", kIconValid},
    {"riskant", "risky", kIconRisky},
    {"ungültig", "invalid", kIconInvalid},
    {"unbekannt", "unknown", kIconUnknown},
}};

// The first block is exactly the browser view's height; everything of the report lies below it.
constexpr std::string_view kStyle =
    "html,body{margin:0;padding:0;background:#fff}"
    "body{font:12px/16px Tahoma,'DejaVu Sans',Verdana,sans-serif;color:#222}"
    ".top{box-sizing:border-box;height:113px;overflow:hidden;padding:5px 8px 4px 8px;"
    "border-left:6px solid}"
    ".valid{border-color:#1b7f2a;background:#eaf6ec}.valid .v{color:#1b7f2a}"
    ".risky{border-color:#c25e00;background:#fff3e3}.risky .v{color:#b35500}"
    ".invalid{border-color:#c0262d;background:#fdeced}.invalid .v{color:#c0262d}"
    ".unknown{border-color:#56657a;background:#eef1f5}.unknown .v{color:#56657a}"
    ".v{display:flex;align-items:center;gap:6px;font-size:17px;line-height:22px;font-weight:bold}"
    ".v svg{flex:none}"
    ".a,.r,.s{white-space:nowrap;overflow:hidden;text-overflow:ellipsis}"
    ".a{margin-top:4px;font-weight:bold}.s{margin-top:2px}"
    ".steps{padding:6px 8px 10px 8px;border-top:1px solid #bbb}"
    ".steps h2{font-size:12px;margin:0 0 4px 0}"
    ".steps dl{margin:0}.steps dt{font-weight:bold;margin-top:4px}.steps dd{margin:0 0 0 10px}";

constexpr std::string_view kNotReached = "nicht geprüft";

const VerdictLook& lookOf(Verdict verdict) {
    return kLooks[static_cast<std::size_t>(verdict)];
}

std::string_view yesNo(bool value) {
    return value ? "ja" : "nein";
}

std::string_view domainStatusKey(DomainStatus status) {
    switch (status) {
        case DomainStatus::MailExchangers:
            return "mx";
        case DomainStatus::ImplicitExchanger:
            return "implicit-mx";
        case DomainStatus::NullMx:
            return "null-mx";
        case DomainStatus::NoSuchDomain:
            return "no-such-domain";
        case DomainStatus::NoMailHost:
            return "no-mail-host";
        case DomainStatus::Unknown:
            return "unknown";
    }
    return "unknown";
}

std::string_view mailboxStatusKey(MailboxStatus status) {
    switch (status) {
        case MailboxStatus::Deliverable:
            return "deliverable";
        case MailboxStatus::Rejected:
            return "rejected";
        case MailboxStatus::Disabled:
            return "disabled";
        case MailboxStatus::MailboxFull:
            return "mailbox-full";
        case MailboxStatus::SenderBlocked:
            return "sender-blocked";
        case MailboxStatus::Temporary:
            return "temporary";
        case MailboxStatus::Refused:
            return "refused";
        case MailboxStatus::NoSmtpUtf8:
            return "no-smtputf8";
        case MailboxStatus::NoConnection:
            return "no-connection";
        case MailboxStatus::PrivateExchanger:
            return "private-exchanger";
        case MailboxStatus::LiteralNotProbed:
            return "literal-not-probed";
        case MailboxStatus::Busy:
            return "busy";
    }
    return "no-connection";
}

std::string_view catchAllKey(CatchAll catchAll) {
    switch (catchAll) {
        case CatchAll::Yes:
            return "yes";
        case CatchAll::No:
            return "no";
        case CatchAll::Undecided:
            return "undecided";
        case CatchAll::NotTested:
            break;
    }
    return "not-tested";
}

void appendRow(std::string& html, std::string_view title, std::string_view text) {
    html += "<dt>";
    html += title;
    html += "</dt><dd>";
    html += escapeHtml(text);
    html += "</dd>";
}

std::string exchangerList(const DomainResult& domain) {
    std::string text;
    for (const auto& exchanger : domain.exchangers) {
        if (!text.empty()) {
            text += "; ";
        }
        text += exchanger.host + " (Vorrang " + std::to_string(exchanger.preference) + ": ";
        for (std::size_t i = 0; i < exchanger.addresses.size(); ++i) {
            text += (i == 0 ? "" : ", ") + exchanger.addresses[i];
        }
        text += ")";
    }
    return text;
}

void appendReport(std::string& html, const CheckReport& report) {
    html += "<div class=\"steps\"><h2>Prüfbericht</h2><dl>";
    std::string syntax = report.syntax.detail;
    if (report.syntax.valid) {
        if (report.syntax.internationalLocalPart) {
            syntax += " Umlaute vor dem @ (SMTPUTF8 nötig).";
        }
        if (report.syntax.internationalDomain) {
            syntax += " Internationale Domain: " + report.syntax.asciiDomain + ".";
        }
    }
    appendRow(html, "1. Schreibweise", syntax);
    appendRow(html, "2. Domain", report.domain ? report.domain->detail : kNotReached);
    if (report.domain && !report.domain->exchangers.empty()) {
        appendRow(html, "Mailserver", exchangerList(*report.domain));
    }
    if (report.exchangersNotChecked > 0) {
        appendRow(
            html, "Nicht geprüft",
            std::to_string(report.exchangersNotChecked) + " Mailserver ohne Internet-Adresse.");
    }
    if (report.mailbox) {
        std::string text = report.mailbox->detail;
        const auto& result = report.mailbox->result;
        if (!result.exchanger.empty()) {
            text += " Befragt: " + result.exchanger + ".";
        }
        if (result.replyCode != 0) {
            text += " Antwort: " + std::to_string(result.replyCode) + " " + result.replyText;
        }
        if (result.catchAll == CatchAll::Yes) {
            text += " Auch eine Zufallsadresse wurde angenommen (Catch-all).";
        } else if (result.catchAll == CatchAll::No) {
            text += " Eine Zufallsadresse wurde abgelehnt.";
        } else if (result.catchAll == CatchAll::Undecided) {
            text += " Die Antwort auf eine Zufallsadresse blieb offen.";
        }
        appendRow(html, "3. Postfach", text);
    } else {
        appendRow(html, "3. Postfach", kNotReached);
    }
    if (report.classification) {
        const auto& c = *report.classification;
        std::string text = "Wegwerf-Domain: " + std::string(yesNo(c.disposable)) +
                           ", Freemail-Anbieter: " + std::string(yesNo(c.freeProvider)) +
                           ", Funktionsadresse: " + std::string(yesNo(c.roleAddress)) + ".";
        appendRow(html, "4. Einordnung", text);
    } else {
        appendRow(html, "4. Einordnung", kNotReached);
    }
    html += "</dl></div>";
}

std::string pageStart(std::string_view title) {
    std::string html;
    html.reserve(4096);
    html += "<!DOCTYPE html><html lang=\"de\"><head><meta charset=\"utf-8\"><title>";
    html += escapeHtml(title);
    html += "</title><style>";
    html += kStyle;
    html += "</style></head><body>";
    return html;
}

}  // namespace

std::string_view verdictWord(Verdict verdict) {
    return lookOf(verdict).word;
}

std::string escapeHtml(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 8);
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&#39;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string renderHtml(const CheckReport& report) {
    const VerdictLook& look = lookOf(report.verdict);
    const std::string address = escapeHtml(toDisplayUtf8(report.address));
    const std::string reason = escapeHtml(report.reason);
    std::string html = pageStart(std::string("E-Mail-Prüfung: ") + std::string(look.word));
    html += "<div class=\"top ";
    html += look.cssClass;
    html += "\"><div class=\"v\">";
    html += look.icon;
    html += look.word;
    html += "</div><div class=\"a\" title=\"" + address + "\">" + address + "</div>";
    html += "<div class=\"r\" title=\"" + reason + "\">" + reason + "</div>";
    if (report.suggestion) {
        const std::string suggestion = escapeHtml(*report.suggestion);
        html += "<div class=\"s\" title=\"" + suggestion + "\">Meinten Sie <b>" + suggestion +
                "</b>?</div>";
    }
    html += "</div>";
    appendReport(html, report);
    html += "</body></html>";
    return html;
}

std::string renderJson(const CheckReport& report) {
    using nlohmann::json;
    json out;
    out["schemaVersion"] = kJsonSchemaVersion;
    out["address"] = toDisplayUtf8(report.address);
    out["verdict"] = verdictWord(report.verdict);
    out["reason"] = report.reason;
    out["reasonKey"] = report.reasonKey;
    out["suggestion"] = report.suggestion ? json(*report.suggestion) : json(nullptr);
    out["syntax"] = {{"valid", report.syntax.valid},
                     {"detail", report.syntax.detail},
                     {"asciiDomain", report.syntax.asciiDomain},
                     {"internationalLocalPart", report.syntax.internationalLocalPart},
                     {"internationalDomain", report.syntax.internationalDomain},
                     {"addressLiteral", report.syntax.addressLiteral}};
    out["domain"] = nullptr;
    if (report.domain) {
        json exchangers = json::array();
        for (const auto& e : report.domain->exchangers) {
            exchangers.push_back(
                {{"host", e.host}, {"preference", e.preference}, {"addresses", e.addresses}});
        }
        out["domain"] = {{"status", domainStatusKey(report.domain->status)},
                         {"detail", report.domain->detail},
                         {"exchangers", exchangers},
                         {"exchangersNotChecked", report.exchangersNotChecked}};
    }
    out["mailbox"] = nullptr;
    if (report.mailbox) {
        const auto& r = report.mailbox->result;
        out["mailbox"] = {
            {"status", mailboxStatusKey(r.status)},
            {"detail", report.mailbox->detail},
            {"catchAll", r.catchAll == CatchAll::Yes},
            {"catchAllTest", catchAllKey(r.catchAll)},
            {"exchanger", r.exchanger},
            {"replyCode", r.replyCode},
            {"enhancedCode", r.enhancedCode.empty() ? json(nullptr) : json(r.enhancedCode)},
            {"replyText", r.replyText},
            {"retryAfterSeconds",
             r.retryAfterSeconds ? json(*r.retryAfterSeconds) : json(nullptr)}};
    }
    out["classification"] = nullptr;
    if (report.classification) {
        out["classification"] = {{"disposable", report.classification->disposable},
                                 {"freeProvider", report.classification->freeProvider},
                                 {"roleAddress", report.classification->roleAddress}};
    }
    return out.dump(-1, ' ', false, json::error_handler_t::replace);
}

std::string renderErrorPage(int status) {
    std::string_view text = "Diese Anfrage ist ungültig.";
    if (status == 404) {
        text = "Diese Seite gibt es hier nicht.";
    } else if (status == 405) {
        text = "Nur GET und HEAD sind erlaubt.";
    } else if (status == 413 || status == 431) {
        text = "Diese Anfrage ist zu groß.";
    } else if (status == 503) {
        text = "Der Dienst ist gerade ausgelastet; bitte gleich noch einmal versuchen.";
    } else if (status >= 500) {
        text = "Bei der Prüfung ist ein interner Fehler aufgetreten.";
    }
    std::string html = pageStart("E-Mail-Prüfung: Fehler " + std::to_string(status));
    html += "<div class=\"top unknown\"><div class=\"v\">";
    html += kIconUnknown;
    html += "Fehler " + std::to_string(status) + "</div><div class=\"r\">";
    html += text;
    html += "</div></div></body></html>";
    return html;
}

}  // namespace verinox::checkd
