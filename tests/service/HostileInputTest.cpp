#include "ResultPage.h"
#include "ServicePeers.h"
#include "Utf8.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <random>

namespace verinox::checkd::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kRandomAddresses = 3000;
constexpr std::size_t kMaxRandomLength = 400;

const std::vector<std::string> kHostileParts = {
    "<script>alert(1)</script>",
    "\"><img src=x onerror=alert(1)>",
    "'><svg onload=alert(1)>",
    "&amp;&lt;",
    "</div></body>",
    "\r\nSet-Cookie: x=1",
    "%00",
    std::string(1, '\0'),
    "\x1b[31m",
    "\xFF\xFE",
    "\xC3",
    "javascript:alert(1)",
    "@",
    "..",
    "\"",
    "\\",
    "[",
    "]",
    "mx.test",
    "nosuch.test",
    "@mx.test",
    "@[127.0.0.1]",
    std::string(70, 'a'),
    std::string(300, 'b'),
    "xn--",
    "ü",
    "\xE2\x80\xAE",  // right-to-left override
};

std::string randomAddress(std::mt19937& random) {
    std::uniform_int_distribution<int> kind(0, 2);
    std::string address;
    switch (kind(random)) {
        case 0: {  // arbitrary bytes
            std::uniform_int_distribution<std::size_t> length(0, kMaxRandomLength);
            std::uniform_int_distribution<int> byte(0, 255);
            for (std::size_t n = length(random); n > 0; --n) {
                address += static_cast<char>(byte(random));
            }
            break;
        }
        case 1: {  // hostile fragments glued together
            std::uniform_int_distribution<std::size_t> count(1, 6);
            std::uniform_int_distribution<std::size_t> pick(0, kHostileParts.size() - 1);
            for (std::size_t n = count(random); n > 0; --n) {
                address += kHostileParts[pick(random)];
            }
            break;
        }
        default: {  // nearly valid addresses with one hostile fragment inside
            std::uniform_int_distribution<std::size_t> pick(0, kHostileParts.size() - 1);
            address = "anna" + kHostileParts[pick(random)] + "@mx.test";
            break;
        }
    }
    return address;
}

// Every byte of the address that could open markup must arrive escaped.
void expectEscapedPage(const HttpReply& reply, const std::string& address) {
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.headers.at("content-type"), "text/html; charset=utf-8");
    EXPECT_THAT(reply.body, HasSubstr("</html>"));
    EXPECT_THAT(reply.body, Not(HasSubstr("<script")));
    EXPECT_THAT(reply.body, Not(HasSubstr("<img")));
    EXPECT_THAT(reply.body, Not(HasSubstr("<svg onload")));
    EXPECT_FALSE(reply.headers.contains("set-cookie"));
    EXPECT_TRUE(isValidUtf8(reply.body));
    const std::string shown = escapeHtml(toDisplayUtf8(address));
    EXPECT_THAT(reply.body, HasSubstr(">" + shown + "</div>"));
}

class HostileInput : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        peers_ = new ServicePeers();
        server_ = new RunningServer(peers_->settings());
    }
    static void TearDownTestSuite() {
        delete server_;
        delete peers_;
    }
    static ServicePeers* peers_;
    static RunningServer* server_;
};

ServicePeers* HostileInput::peers_ = nullptr;
RunningServer* HostileInput::server_ = nullptr;

TEST_F(HostileInput, RandomAndHostileAddressesAlwaysGetAnEscapedPage) {
    std::mt19937 random(20261209);
    for (int i = 0; i < kRandomAddresses; ++i) {
        const std::string address = randomAddress(random);
        SCOPED_TRACE(percentEncode(address));
        const bool asJson = i % 10 == 0;
        const HttpReply reply = request(
            server_->port(), "/tools/verinox/checkmail.php?email=" + percentEncode(address) +
                                 (asJson ? "&format=json" : ""));
        if (asJson) {
            EXPECT_EQ(reply.status, 200);
            EXPECT_EQ(nlohmann::json::parse(reply.body)["address"], toDisplayUtf8(address));
        } else {
            expectEscapedPage(reply, address);
        }
        if (HasFailure()) {
            break;
        }
    }
}

TEST_F(HostileInput, MalformedPercentEncodingIsTakenLiterally) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"%", "%"},
        {"a%4", "a%4"},
        {"%zz@mx.test", "%zz@mx.test"},
        {"%%%41", "%%A"},
        {"%C3@x.de", "\xC3@x.de"},
        {"%FF%FE%00", "\xFF\xFE"},
        {"a+b@mx.test", "a+b@mx.test"},
        {"%3Cscript%3E", "<script>"},
    };
    for (const auto& [raw, decoded] : cases) {
        SCOPED_TRACE(raw);
        const HttpReply reply =
            request(server_->port(), "/tools/verinox/checkmail.php?email=" + raw);
        if (raw == "%FF%FE%00") {
            // The NUL ends nothing: the address is three bytes long and has a control character.
            EXPECT_THAT(reply.body, HasSubstr("Die Adresse ist kein gültiger UTF-8-Text."));
            continue;
        }
        expectEscapedPage(reply, decoded);
    }
}

TEST_F(HostileInput, BrokenRequestsGetAnErrorPage) {
    for (const std::string& target : {std::string("/tools/verinox/checkmail.php?email=a b"),
                                      "/tools/verinox/checkmail.php?" + std::string(9000, 'x')}) {
        const HttpReply reply = request(server_->port(), target);
        EXPECT_GE(reply.status, 400);
        EXPECT_THAT(reply.body, HasSubstr("<title>E-Mail-Prüfung: Fehler"));
    }
    const HttpReply missing = request(server_->port(), "/tools/verinox/checkmail.php");
    EXPECT_EQ(missing.status, 200);
    EXPECT_THAT(missing.body, HasSubstr("Es wurde keine Adresse angegeben."));
}

}  // namespace
}  // namespace verinox::checkd::test
