// libFuzzer target: arbitrary bytes are what an exchanger says in a session; a scripted peer
// hands them out line by line as the session's line reader does. Every reply is put together and
// classified as a reply to RCPT TO; a malformed reply ends the session. Whatever a reply says, its
// meaning must be well-formed: an enhanced code of the reply's class, a retry time that is not
// negative, and text shown as printable ASCII. Anything else is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <regex>
#include <string>
#include <string_view>

#include "SmtpProbe.h"
#include "SmtpReply.h"

namespace {

using namespace verinox::checkd;

void Fail(const char* what) {
    std::fprintf(stderr, "SMTP reply: %s\n", what);
    std::abort();
}

// The exchanger's side: the next line without its line end, none when it has nothing more to say
// or sends a line longer than the reader takes.
class TScriptedPeer {
  public:
    explicit TScriptedPeer(std::string_view script) : FScript(script) {}

    std::optional<std::string_view> NextLine() {
        const std::size_t end = FScript.find('\n');
        if (end == std::string_view::npos || end > kMaxReplyLineOctets + 1) {
            return std::nullopt;
        }
        std::string_view line = FScript.substr(0, end);
        FScript.remove_prefix(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        return line;
    }

  private:
    std::string_view FScript;
};

void ExpectWellFormed(const Reply& reply) {
    const ReplyMeaning meaning = classifyReply(reply.code, reply.text());
    static const std::regex kEnhanced(R"([245]\.\d{1,3}\.\d{1,3})");
    if (!meaning.enhancedCode.empty() && (!std::regex_match(meaning.enhancedCode, kEnhanced) ||
                                          meaning.enhancedCode[0] - '0' != reply.code / 100)) {
        Fail("enhanced code malformed or of another class");
    }
    if (meaning.retryAfterSeconds && *meaning.retryAfterSeconds < 0) {
        Fail("negative retry time");
    }
    const std::string shown = printable(reply);
    if (shown.size() > 200 ||
        shown.find_first_of(std::string_view("\0\r\n\t", 4)) != std::string::npos) {
        Fail("reply text shown unprintable");
    }
    for (const char c : shown) {
        if (c < 0x20 || c > 0x7E) {
            Fail("reply text shown unprintable");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TScriptedPeer peer(std::string_view(reinterpret_cast<const char*>(data), size));
    ReplyReader reader;
    try {
        while (const std::optional<std::string_view> line = peer.NextLine()) {
            if (reader.addLine(*line)) {
                ExpectWellFormed(reader.reply());
                reader = ReplyReader();
            }
        }
    } catch (const MalformedReply&) {
    }
    return 0;
}
