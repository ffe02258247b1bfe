#include "SmtpReply.h"

#include <algorithm>

namespace verinox::checkd {

namespace {

constexpr std::size_t kMaxShownReplyOctets = 200;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
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

}  // namespace verinox::checkd
