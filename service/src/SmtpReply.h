#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace verinox::checkd {

// The longest reply line taken (RFC 5321 allows 512 octets; some servers send more).
inline constexpr std::size_t kMaxReplyLineOctets = 1000;
inline constexpr std::size_t kMaxReplyLines = 100;

// The peer sent something that is not an SMTP reply; the session cannot go on.
class MalformedReply : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct Reply {
    int code = 0;
    std::vector<std::string> lines;  // text after the code, one per reply line

    bool positive() const { return code >= 200 && code < 300; }
    bool transient() const { return code >= 400 && code < 500; }
    std::string text() const;
};

// Puts a multi-line reply ("250-first", ..., "250 last") together from its lines as they arrive
// (without their line ends); throws MalformedReply.
class ReplyReader {
  public:
    // True once the line was the reply's last.
    bool addLine(std::string_view line);
    const Reply& reply() const { return reply_; }

  private:
    Reply reply_;
};

// The reply's text as it may be shown and kept: printable ASCII, at most 200 octets.
std::string printable(const Reply& reply);

}  // namespace verinox::checkd
