// libFuzzer target: arbitrary bytes are checked as an address (syntax and IDN mapping), as the
// service gets them after percent-decoding. An accepted address must be accepted again in the
// spelling the service sends over SMTP, as the same mailbox; and every report, accepted or not,
// must come through the JSON answer and the page's escaping unchanged. The reason of a refusal
// is the expected answer to bad bytes; anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "AddressSyntax.h"
#include "CheckReport.h"
#include "ResultPage.h"
#include "Utf8.h"

namespace {

using namespace verinox::checkd;

// Requests longer than this are refused before any parsing; a little beyond it is enough to
// reach every length check.
constexpr std::size_t kMaxInput = 2 * kMaxRequestAddressOctets;

void Fail(const char* what) {
    std::fprintf(stderr, "address: %s\n", what);
    std::abort();
}

std::string Unescape(std::string_view html) {
    static constexpr std::pair<std::string_view, char> kEntities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&#39;", '\''}};
    std::string out;
    for (std::size_t at = 0; at < html.size();) {
        bool entity = false;
        for (const auto& [name, c] : kEntities) {
            if (html.substr(at, name.size()) == name) {
                out += c;
                at += name.size();
                entity = true;
                break;
            }
        }
        if (!entity) {
            out += html[at++];
        }
    }
    return out;
}

void ExpectShownUnchanged(const CheckReport& report) {
    const std::string shown = toDisplayUtf8(report.address);
    const nlohmann::json answer = nlohmann::json::parse(renderJson(report));
    if (answer.at("address").get<std::string>() != shown ||
        answer.at("syntax").at("asciiDomain").get<std::string>() != report.syntax.asciiDomain ||
        answer.at("reason").get<std::string>() != report.reason) {
        Fail("the JSON answer changes the report");
    }
    const std::string escaped = escapeHtml(shown);
    if (escaped.find_first_of("<>\"'") != std::string::npos || Unescape(escaped) != shown) {
        Fail("the page escaping is not reversible or leaves markup");
    }
    if (renderHtml(report).find(escaped) == std::string::npos) {
        Fail("the page does not show the escaped address");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxInput) {
        return 0;
    }
    CheckReport report;
    report.address.assign(reinterpret_cast<const char*>(data), size);
    ParsedAddress parsed;
    try {
        parsed = parseAddress(report.address);
    } catch (const InvalidAddress& refusal) {
        report.verdict = Verdict::Invalid;
        report.reason = refusal.what();
        ExpectShownUnchanged(report);
        return 0;
    }
    report.syntax = SyntaxStep{true,
                               "",
                               parsed.asciiDomain,
                               parsed.internationalLocalPart,
                               parsed.internationalDomain,
                               parsed.addressLiteral};
    ExpectShownUnchanged(report);

    ParsedAddress again;
    try {
        again = parseAddress(parsed.mailbox());
    } catch (const InvalidAddress& refusal) {
        std::fprintf(stderr, "%s: %s\n", parsed.mailbox().c_str(), refusal.what());
        Fail("the mailbox as sent is refused");
    }
    if (again.mailbox() != parsed.mailbox() || again.mailboxKey() != parsed.mailboxKey()) {
        Fail("the mailbox as sent is another mailbox");
    }
    return 0;
}
