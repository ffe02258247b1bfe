#include "ResultPage.h"
#include "ServicePeers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <future>

namespace verinox::checkd::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

const std::string kCheck = "/tools/verinox/checkmail.php?email=";

struct Expected {
    std::string address;
    std::string verdict;
    std::string reason;
    std::string mailboxStatus;  // empty: no SMTP step
};

class CheckService : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        peers_ = new ServicePeers();
        server_ = new RunningServer(peers_->settings());
    }
    static void TearDownTestSuite() {
        delete server_;
        delete peers_;
    }

    static nlohmann::json checkJson(int port, const std::string& address) {
        const HttpReply reply = request(port, kCheck + percentEncode(address) + "&format=json");
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.headers.at("content-type"), "application/json; charset=utf-8");
        return nlohmann::json::parse(reply.body);
    }

    // The verdict and reason must agree on the page and in the JSON.
    static void expectVerdicts(int port, const std::vector<Expected>& cases) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.address);
            const HttpReply page = request(port, kCheck + percentEncode(c.address));
            EXPECT_EQ(page.status, 200);
            EXPECT_EQ(page.headers.at("content-type"), "text/html; charset=utf-8");
            EXPECT_THAT(page.body, HasSubstr("</svg>" + c.verdict + "</div>"));
            EXPECT_THAT(page.body, HasSubstr(">" + escapeHtml(c.reason) + "</div>"));

            const auto json = checkJson(port, c.address);
            EXPECT_EQ(json["verdict"], c.verdict);
            EXPECT_EQ(json["reason"], c.reason);
            if (c.mailboxStatus.empty()) {
                EXPECT_TRUE(json["mailbox"].is_null());
            } else {
                EXPECT_EQ(json["mailbox"]["status"], c.mailboxStatus);
            }
        }
    }

    static ServicePeers* peers_;
    static RunningServer* server_;
};

ServicePeers* CheckService::peers_ = nullptr;
RunningServer* CheckService::server_ = nullptr;

TEST_F(CheckService, MailboxAnswersGiveTheirVerdicts) {
    expectVerdicts(server_->port(),
                   {
                       {"alice@mx.test", "gültig", "Das Postfach existiert und nimmt E-Mails an.",
                        "deliverable"},
                       {"nobody.here@mx.test", "ungültig",
                        "Das Postfach existiert nicht oder ist gesperrt.", "rejected"},
                       {"disabled@mx.test", "riskant",
                        "Das Postfach ist gesperrt oder stillgelegt.", "disabled"},
                       {"full@mx.test", "riskant", "Das Postfach ist voll.", "mailbox-full"},
                       {"fuller@mx.test", "riskant", "Das Postfach ist voll.", "mailbox-full"},
                       {"grey@mx.test", "unbekannt",
                        "Mailserver lehnt vorläufig ab (etwa Greylisting).", "temporary"},
                       {"anyone@catchall.test", "riskant",
                        "Die Domain nimmt jede Adresse an (Catch-all).", "deliverable"},
                       {"José@mx.test", "gültig", "Das Postfach existiert und nimmt E-Mails an.",
                        "deliverable"},
                       {"josé@mx.test", "gültig", "Das Postfach existiert und nimmt E-Mails an.",
                        "deliverable"},
                       {"alice@[127.0.0.1]", "gültig",
                        "Das Postfach existiert und nimmt E-Mails an.", "deliverable"},
                   });
}

TEST_F(CheckService, DomainAnswersGiveTheirVerdicts) {
    expectVerdicts(
        server_->port(),
        {
            {"bob@implicit.test", "gültig", "Das Postfach existiert und nimmt E-Mails an.",
             "deliverable"},
            {"x@nullmx.test", "ungültig", "Die Domain nimmt keine E-Mails an (Null-MX).", ""},
            {"x@nosuchdomain.test", "ungültig", "Die Domain existiert nicht.", ""},
            {"x@nohost.test", "ungültig", "Die Domain hat keinen Mailserver.", ""},
            {"x@lost.test", "ungültig", "Die Mailserver der Domain haben keine IP-Adresse.", ""},
            {"alice@backup.test", "gültig", "Das Postfach existiert und nimmt E-Mails an.",
             "deliverable"},
            {"alice@down.test", "unbekannt", "Der Mailserver war nicht erreichbar.",
             "no-connection"},
            {"alice@silent.test", "unbekannt", "Der Mailserver war nicht erreichbar.",
             "no-connection"},
            // dnsmasq has no upstream server and refuses names outside its zones.
            {"x@outside.example", "unbekannt", "Der DNS-Server meldet einen Fehler.", ""},
        });
}

TEST_F(CheckService, StepsAreReportedInTheJson) {
    const auto backup = checkJson(server_->port(), "alice@backup.test");
    ASSERT_EQ(backup["domain"]["exchangers"].size(), 2u);
    EXPECT_EQ(backup["domain"]["exchangers"][0]["host"], "mx.down.test");
    EXPECT_EQ(backup["domain"]["exchangers"][1]["host"], "mx1.mx.test");
    EXPECT_EQ(backup["mailbox"]["exchanger"], "mx1.mx.test (127.0.0.1)");
    EXPECT_EQ(backup["mailbox"]["replyCode"], 250);
    EXPECT_EQ(backup["mailbox"]["catchAll"], false);
    EXPECT_EQ(backup["suggestion"], nullptr);

    const auto catchAll = checkJson(server_->port(), "anyone@catchall.test");
    EXPECT_EQ(catchAll["mailbox"]["catchAll"], true);

    const auto idn = checkJson(server_->port(), "alice@bücher.test");
    EXPECT_EQ(idn["syntax"]["asciiDomain"], "xn--bcher-kva.test");
    EXPECT_EQ(idn["syntax"]["internationalDomain"], true);
    EXPECT_EQ(idn["domain"]["status"], "no-such-domain");

    const auto bad = checkJson(server_->port(), "no-at-sign");
    EXPECT_EQ(bad["syntax"]["valid"], false);
    EXPECT_EQ(bad["reason"], "Die Adresse enthält kein @-Zeichen.");
    EXPECT_TRUE(bad["domain"].is_null());
    EXPECT_TRUE(bad["classification"].is_null());
}

TEST_F(CheckService, ClassificationMakesAnAddressRisky) {
    expectVerdicts(server_->port(),
                   {
                       {"info@mx.test", "ungültig",
                        "Das Postfach existiert nicht oder ist gesperrt.", "rejected"},
                       {"info@catchall.test", "riskant",
                        "Die Domain nimmt jede Adresse an (Catch-all).", "deliverable"},
                       // Known throwaway domains: not in the test zones, so DNS cannot answer.
                       {"alice@mailinator.com", "riskant",
                        "Wegwerf-Adresse eines Einmal-Postfach-Anbieters.", ""},
                       {"sales@outside.example", "riskant",
                        "Funktionsadresse (etwa info@), keine Person.", ""},
                   });
    const auto role = checkJson(server_->port(), "Sales+x@outside.example");
    EXPECT_EQ(role["classification"]["roleAddress"], true);
    const auto free = checkJson(server_->port(), "someone@gmail.com");
    EXPECT_EQ(free["classification"]["freeProvider"], true);
}

TEST_F(CheckService, TypoSuggestionIsShown) {
    const HttpReply page = request(server_->port(), kCheck + "anna.schmidt@gmial.com");
    EXPECT_THAT(page.body, HasSubstr("Meinten Sie <b>anna.schmidt@gmail.com</b>?"));
    const auto json = checkJson(server_->port(), "anna.schmidt@gmial.com");
    EXPECT_EQ(json["suggestion"], "anna.schmidt@gmail.com");
}

TEST_F(CheckService, JsonIsChosenByAcceptHeaderAndPlusStaysPlus) {
    const HttpReply reply = request(server_->port(), kCheck + "alice+news@mx.test", "GET",
                                    "Accept: application/json\r\n");
    const auto json = nlohmann::json::parse(reply.body);
    EXPECT_EQ(json["address"], "alice+news@mx.test");
    EXPECT_EQ(json["mailbox"]["status"], "rejected");  // the peer knows only "alice"
}

TEST_F(CheckService, HeadIsAnsweredLikeGetAndNothingIsProxied) {
    const HttpReply head = request(server_->port(), kCheck + "alice@mx.test", "HEAD");
    EXPECT_EQ(head.status, 200);
    EXPECT_TRUE(head.body.empty());
    EXPECT_EQ(head.headers.at("content-length"),
              std::to_string(request(server_->port(), kCheck + "alice@mx.test").body.size()));
    // No proxying: an absolute URI for another host is not fetched.
    const HttpReply proxy =
        request(server_->port(), "http://127.0.0.1:1/tools/verinox/checkmail.php");
    EXPECT_NE(proxy.status, 200);
}

TEST_F(CheckService, PageFitsTheBrowserViewAndIsSelfContained) {
    const HttpReply page = request(server_->port(), kCheck + "anna@gmial.com");
    EXPECT_THAT(page.body, HasSubstr("<html lang=\"de\"><head><meta charset=\"utf-8\">"));
    EXPECT_THAT(page.body, HasSubstr(".top{box-sizing:border-box;height:113px;overflow:hidden"));
    EXPECT_THAT(page.body, Not(HasSubstr("src=")));
    EXPECT_THAT(page.body, Not(HasSubstr("href=")));
    EXPECT_THAT(page.body, Not(HasSubstr("url(")));
    EXPECT_THAT(page.body, Not(HasSubstr("<script")));
    EXPECT_EQ(page.headers.at("content-security-policy"),
              "default-src 'none'; style-src 'unsafe-inline'; img-src data:");
}

TEST_F(CheckService, SilentExchangerDoesNotHoldUpOtherChecks) {
    auto slow = std::async(std::launch::async, [&] {
        return request(server_->port(), kCheck + "someone@silent.test&format=json");
    });
    const auto fast = checkJson(server_->port(), "alice@implicit.test");
    EXPECT_EQ(fast["verdict"], "gültig");
    EXPECT_EQ(slow.wait_for(std::chrono::seconds(0)), std::future_status::timeout);
    EXPECT_EQ(nlohmann::json::parse(slow.get().body)["verdict"], "unbekannt");
}

TEST_F(CheckService, GarbledExchangerRepliesAreSurvived) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> sessions = {
        {{"220 hello\r\n", std::string(5000, 'A')}, "no-connection"},
        {{"\xFF\xFE\x01 junk\r\n"}, "no-connection"},
        {{"220-first\r\n250 second\r\n"}, "no-connection"},
        {{"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", "250 \x01<script>\xC3\r\n", "550 no\r\n"},
         "deliverable"},
    };
    int n = 0;
    for (const auto& [replies, status] : sessions) {
        const std::string address = "user" + std::to_string(++n) + "@junk.test";
        SCOPED_TRACE(address);
        const ScriptedExchanger exchanger(peers_->smtpPort(), replies);
        const auto json = checkJson(server_->port(), address);
        EXPECT_EQ(json["mailbox"]["status"], status);
        if (status == "deliverable") {
            EXPECT_EQ(json["mailbox"]["replyText"], "?<script>?");
            const HttpReply page = request(server_->port(), kCheck + address);
            EXPECT_THAT(page.body, HasSubstr("Antwort: 250 ?&lt;script&gt;?"));
        }
    }
}

TEST_F(CheckService, SessionLevelRefusalsGiveTheirVerdicts) {
    const std::vector<std::pair<Expected, std::vector<std::string>>> sessions = {
        {{"jürgen@junk.test", "ungültig", "Der Mailserver nimmt keine Umlaute vor dem @ an.",
          "no-smtputf8"},
         {"220 hi\r\n", "250-hi\r\n250 8BITMIME\r\n"}},
        {{"sender@junk.test", "unbekannt", "Der Mailserver hat die Prüfung verweigert.", "refused"},
         {"220 hi\r\n", "250 hi\r\n", "553 5.1.8 sender domain unknown\r\n"}},
        {{"blocked@junk.test", "unbekannt",
          "Der Mailserver sperrt unseren Prüfserver; über das Postfach sagt das nichts.",
          "sender-blocked"},
         {"220 hi\r\n", "250 hi\r\n", "553 5.7.1 sender rejected\r\n"}},
        {{"busy@junk.test", "unbekannt", "Mailserver lehnt vorläufig ab (etwa Greylisting).",
          "temporary"},
         {"421 4.3.2 busy\r\n"}},
    };
    for (const auto& [expected, replies] : sessions) {
        const ScriptedExchanger exchanger(peers_->smtpPort(), replies);
        expectVerdicts(server_->port(), {expected});
    }
}

TEST(CheckServiceSettings, SilentDnsServerGivesUnknown) {
    ServicePeers peers;
    CheckerSettings settings = peers.settings();
    settings.dnsServers = {"127.0.0.1:" + std::to_string(peers.silentDnsPort())};
    settings.smtp.stepTimeout = std::chrono::milliseconds(300);
    boost::asio::io_context io;
    AddressChecker checker(io, settings, sharedLists());
    const auto report = checker.checkNow("alice@mx.test");
    EXPECT_EQ(report->verdict, Verdict::Unknown);
    EXPECT_EQ(report->reason, "Der DNS-Server hat nicht rechtzeitig geantwortet.");
}

TEST(CheckServiceSettings, PrivateExchangersAreNotAskedUnlessAllowed) {
    ServicePeers peers;
    CheckerSettings settings = peers.settings();
    settings.smtp.allowPrivateExchangers = false;
    boost::asio::io_context io;
    AddressChecker checker(io, settings, sharedLists());
    for (const std::string address : {"alice@mx.test", "alice@[127.0.0.1]", "alice@[IPv6:::1]"}) {
        SCOPED_TRACE(address);
        const auto report = checker.checkNow(address);
        EXPECT_EQ(report->verdict, Verdict::Unknown);
        EXPECT_EQ(report->reason, "Mailserver im privaten Netz; er wird nicht gefragt.");
        ASSERT_TRUE(report->mailbox);
        EXPECT_EQ(report->mailbox->result.status, MailboxStatus::PrivateExchanger);
    }
}

}  // namespace
}  // namespace verinox::checkd::test
