#include "SmtpReply.h"

#include "SmtpProbe.h"

#include <algorithm>
#include <array>
#include <limits>
#include <optional>
#include <regex>

namespace verinox::checkd {

namespace {

constexpr std::size_t kMaxShownReplyOctets = 200;
constexpr std::array kNoMailbox = {550, 551, 553};
constexpr std::array kFull = {452, 552};
// Wording of refusals that are about our sender (its address or host on a block list), not
// about the mailbox asked for.
constexpr std::array<std::string_view, 12> kBlockListWords = {
    "spamhaus", "blocklist", "block list", "blacklist", "black list", "blocked using",
    "dnsbl",    "listed at", "listed in",  "spamcop",   "barracuda",  "reputation"};
constexpr std::array<std::string_view, 4> kDisabledWords = {"disabled", "inactive", "suspended",
                                                            "deactivated"};
constexpr std::array<std::string_view, 3> kFullWords = {"mailbox full", "over quota",
                                                        "quota exceeded"};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    });
    return out;
}

bool mentions(const std::string& lowerText, const auto& words) {
    return std::any_of(words.begin(), words.end(), [&](std::string_view word) {
        return lowerText.find(word) != std::string::npos;
    });
}

bool isOneOf(int code, const auto& codes) {
    return std::find(codes.begin(), codes.end(), code) != codes.end();
}

// "5.1.1" at the start of the text, in the class of the reply code (RFC 3463, RFC 2034).
std::string enhancedCodeOf(int code, std::string_view text) {
    static const std::regex kPattern(R"(^([245])\.(\d{1,3})\.(\d{1,3})(\s|$))");
    std::match_results<std::string_view::const_iterator> match;
    if (!std::regex_search(text.begin(), text.end(), match, kPattern) ||
        match[1].str()[0] - '0' != code / 100) {
        return {};
    }
    return match[1].str() + "." + match[2].str() + "." + match[3].str();
}

std::optional<int> retryTimeOf(const std::string& lowerText) {
    static const std::regex kPattern(
        R"((?:try again|retry|again in|wait)\D{0,24}(\d{1,6})\s*(seconds?|secs?|s\b|minutes?|mins?|m\b|hours?|h\b))");
    std::smatch match;
    if (!std::regex_search(lowerText, match, kPattern)) {
        return std::nullopt;
    }
    // Up to 999999 hours may be named: more than an int of seconds holds, so longer times are
    // kept as the longest one.
    const long long amount = std::stoll(match[1].str());
    const char unit = match[2].str()[0];
    const long long seconds = unit == 'h' ? amount * 3600 : unit == 'm' ? amount * 60 : amount;
    return static_cast<int>(std::min<long long>(seconds, std::numeric_limits<int>::max()));
}

}  // namespace

std::string Reply::text() const {
    std::string joined;
    for (const auto& line : lines) {
        joined += (joined.empty() ? "" : " ") + line;
    }
    return joined;
}

bool ReplyReader::addLine(std::string_view line) {
    if (line.size() < 3 || !std::all_of(line.begin(), line.begin() + 3, isDigit) ||
        (line.size() > 3 && line[3] != ' ' && line[3] != '-')) {
        throw MalformedReply("malformed reply");
    }
    const int code = (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
    if (reply_.code != 0 && code != reply_.code) {
        throw MalformedReply("inconsistent reply");
    }
    reply_.code = code;
    reply_.lines.emplace_back(line.size() > 4 ? line.substr(4) : std::string_view());
    if (line.size() == 3 || line[3] == ' ') {
        return true;
    }
    if (reply_.lines.size() >= kMaxReplyLines) {
        throw MalformedReply("reply too long");
    }
    return false;
}

std::string printable(const Reply& reply) {
    std::string text = reply.text();
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c < 0x20 || c > 0x7E; }, '?');
    if (text.size() > kMaxShownReplyOctets) {
        text.resize(kMaxShownReplyOctets);
    }
    return text;
}

ReplyMeaning classifyReply(int code, std::string_view text) {
    ReplyMeaning meaning{MailboxStatus::Refused, enhancedCodeOf(code, text), std::nullopt};
    const std::string lower = lowerAscii(text);
    const std::string_view detail = meaning.enhancedCode.empty()
                                        ? std::string_view()
                                        : std::string_view(meaning.enhancedCode).substr(2);
    const auto subject = detail.substr(0, detail.find('.'));
    if (code == 250 || code == 251) {
        meaning.status = MailboxStatus::Deliverable;
    } else if (code < 400 || code >= 600) {
        meaning.status = MailboxStatus::Refused;
    } else if (mentions(lower, kBlockListWords) || (code >= 500 && subject == "7")) {
        meaning.status = MailboxStatus::SenderBlocked;
    } else if (detail == "2.2" ||
               (detail.empty() && (isOneOf(code, kFull) || mentions(lower, kFullWords)))) {
        meaning.status = MailboxStatus::MailboxFull;
    } else if (code < 500) {
        meaning.status = MailboxStatus::Temporary;
        meaning.retryAfterSeconds = retryTimeOf(lower);
    } else if (detail == "2.1" ||
               ((detail.empty() || detail == "0.0") && mentions(lower, kDisabledWords))) {
        meaning.status = MailboxStatus::Disabled;
    } else if (subject == "1" ||
               ((detail.empty() || detail == "0.0") && isOneOf(code, kNoMailbox))) {
        meaning.status = MailboxStatus::Rejected;
    }
    return meaning;
}

}  // namespace verinox::checkd
