#include "ServicePeers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <future>

namespace verinox::checkd::test {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;
using ::testing::Not;

const std::string kCheck = "/tools/verinox/checkmail.php?email=";

sockaddr_in loopbackAddress(const std::string& address, int port) {
    sockaddr_in sa{};
    sa.sin_family = AF_INET;
    sa.sin_port = htons(static_cast<std::uint16_t>(port));
    inet_pton(AF_INET, address.c_str(), &sa.sin_addr);
    return sa;
}

// An exchanger that accepts and never answers, and counts how many sessions it had open at once.
class CountingExchanger {
  public:
    CountingExchanger(const std::string& address, int port)
        : listener_(socket(AF_INET, SOCK_STREAM, 0)) {
        const int on = 1;
        setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        const sockaddr_in sa = loopbackAddress(address, port);
        if (bind(listener_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0 ||
            listen(listener_, 64) != 0) {
            throw std::runtime_error("cannot bind counting exchanger: " +
                                     std::string(strerror(errno)));
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~CountingExchanger() {
        stop_ = true;
        thread_.join();
        close(listener_);
    }
    std::size_t mostAtOnce() const { return mostAtOnce_; }
    std::size_t sessions() const { return sessions_; }

  private:
    void serve() {
        std::vector<pollfd> fds{{listener_, POLLIN, 0}};
        while (!stop_) {
            if (poll(fds.data(), fds.size(), 20) <= 0) {
                continue;
            }
            for (std::size_t i = fds.size(); i-- > 1;) {
                char byte;
                if ((fds[i].revents & (POLLIN | POLLHUP)) && recv(fds[i].fd, &byte, 1, 0) <= 0) {
                    close(fds[i].fd);
                    fds.erase(fds.begin() + static_cast<std::ptrdiff_t>(i));
                }
            }
            if (fds[0].revents & POLLIN) {
                fds.push_back({accept(listener_, nullptr, nullptr), POLLIN, 0});
                ++sessions_;
            }
            mostAtOnce_ = std::max<std::size_t>(mostAtOnce_, fds.size() - 1);
        }
        for (std::size_t i = 1; i < fds.size(); ++i) {
            close(fds[i].fd);
        }
    }

    int listener_;
    std::atomic<bool> stop_ = false;
    std::atomic<std::size_t> mostAtOnce_ = 0;
    std::atomic<std::size_t> sessions_ = 0;
    std::thread thread_;
};

// A DNS server whose every answer has a compression pointer that points at itself.
class LoopingDns {
  public:
    LoopingDns() : fd_(socket(AF_INET, SOCK_DGRAM, 0)), port_(freePort(true)) {
        const sockaddr_in sa = loopbackAddress("127.0.0.1", port_);
        if (bind(fd_, reinterpret_cast<const sockaddr*>(&sa), sizeof sa) != 0) {
            throw std::runtime_error("cannot bind looping DNS server");
        }
        thread_ = std::thread([this] { serve(); });
    }
    ~LoopingDns() {
        stop_ = true;
        thread_.join();
        close(fd_);
    }
    int port() const { return port_; }

  private:
    void serve() {
        while (!stop_) {
            pollfd waiting{fd_, POLLIN, 0};
            if (poll(&waiting, 1, 20) != 1) {
                continue;
            }
            unsigned char query[512];
            sockaddr_in from{};
            socklen_t fromLength = sizeof from;
            const ssize_t n = recvfrom(fd_, query, sizeof query, 0,
                                       reinterpret_cast<sockaddr*>(&from), &fromLength);
            if (n < 12) {
                continue;
            }
            std::vector<unsigned char> answer(query, query + n);
            answer[2] = 0x81;  // a response, recursion desired and available, no error
            answer[3] = 0x80;
            answer[7] = 1;  // one answer record
            answer[9] = answer[11] = 0;
            const auto self = static_cast<unsigned char>(n);  // the answer's name points here
            const std::vector<unsigned char> record = {
                0xC0, self, 0x00, 0x0F, 0x00, 0x01, 0, 0, 0, 60, 0, 4, 0, 10, 0xC0, self};
            answer.insert(answer.end(), record.begin(), record.end());
            sendto(fd_, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&from),
                   fromLength);
        }
    }

    int fd_;
    int port_;
    std::atomic<bool> stop_ = false;
    std::thread thread_;
};

class Verdicts : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        peers_ = new ServicePeers();
        server_ = new RunningServer(peers_->settings());
    }
    static void TearDownTestSuite() {
        delete server_;
        delete peers_;
    }
    static nlohmann::json checkJson(const std::string& address) {
        const HttpReply reply =
            request(server_->port(), kCheck + percentEncode(address) + "&format=json");
        EXPECT_EQ(reply.status, 200);
        return nlohmann::json::parse(reply.body);
    }

    static ServicePeers* peers_;
    static RunningServer* server_;
};

ServicePeers* Verdicts::peers_ = nullptr;
RunningServer* Verdicts::server_ = nullptr;

TEST_F(Verdicts, ReplyCodesGiveTheirVerdictAndReasonKey) {
    struct Case {
        std::string rcptReply;
        std::string verdict;
        std::string reasonKey;
        std::string enhanced;
    };
    const std::vector<Case> cases = {
        {"550 5.7.1 Client host [127.0.0.1] blocked using Spamhaus", "unbekannt", "sender-blocked",
         "5.7.1"},
        {"550 5.2.2 mailbox full", "riskant", "mailbox-full", "5.2.2"},
        {"554 5.2.1 account disabled", "riskant", "mailbox-disabled", "5.2.1"},
        {"550 5.1.1 no such user", "ungültig", "no-such-mailbox", "5.1.1"},
        {"450 4.2.0 Greylisted, try again in 5 minutes", "unbekannt", "temporary", "4.2.0"},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rcptReply);
        const ScriptedExchanger exchanger(
            peers_->smtpPort(), {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", c.rcptReply + "\r\n"});
        const auto json = checkJson("reply" + std::to_string(++n) + "@junk.test");
        EXPECT_EQ(json["verdict"], c.verdict);
        EXPECT_EQ(json["reasonKey"], c.reasonKey);
        EXPECT_EQ(json["mailbox"]["enhancedCode"], c.enhanced);
        EXPECT_EQ(json["mailbox"]["replyCode"], std::stoi(c.rcptReply.substr(0, 3)));
        if (c.reasonKey == "temporary") {
            EXPECT_EQ(json["reason"],
                      "Mailserver lehnt vorläufig ab (etwa Greylisting). Neuer Versuch in etwa 5 "
                      "Minuten.");
            EXPECT_EQ(json["mailbox"]["retryAfterSeconds"], 300);
        }
    }
}

TEST_F(Verdicts, UndecidedCatchAllTestNeverMakesAnAddressValid) {
    const std::vector<std::vector<std::string>> sessions = {
        {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "452 4.5.3 later\r\n"},
        {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "451 4.7.1 greylisted\r\n"},
        {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n"},  // hangs up at the random one
    };
    int n = 0;
    for (const auto& replies : sessions) {
        const ScriptedExchanger exchanger(peers_->smtpPort(), replies);
        const auto json = checkJson("undecided" + std::to_string(++n) + "@junk.test");
        EXPECT_EQ(json["verdict"], "unbekannt");
        EXPECT_EQ(json["reasonKey"], "catch-all-undecided");
        EXPECT_EQ(json["mailbox"]["catchAllTest"], "undecided");
        EXPECT_EQ(json["mailbox"]["catchAll"], false);
    }
    EXPECT_EQ(checkJson("alice@mx.test")["mailbox"]["catchAllTest"], "no");
    EXPECT_EQ(checkJson("anyone@catchall.test")["mailbox"]["catchAllTest"], "yes");
}

TEST_F(Verdicts, OneMailboxIsProbedOnceWithinTheCacheTime) {
    const auto first = [&] {
        const ScriptedExchanger exchanger(
            peers_->smtpPort(),
            {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n", "250 ok\r\n", "550 5.1.1 no\r\n"});
        return checkJson("carol@junk.test");
    }();
    EXPECT_EQ(first["verdict"], "gültig");
    // The exchanger is gone: only the kept result can answer these.
    for (const std::string spelling : {"CAROL@JUNK.TEST", "\"carol\"@Junk.Test"}) {
        const auto json = checkJson(spelling);
        EXPECT_EQ(json["verdict"], "gültig") << spelling;
        EXPECT_EQ(json["address"], spelling);
    }
}

TEST_F(Verdicts, ConcurrentChecksOfOneMailboxShareOneSession) {
    const ScriptedExchanger exchanger(peers_->smtpPort(), {"220 hi\r\n", "250 hi\r\n", "250 ok\r\n",
                                                           "250 ok\r\n", "550 5.1.1 no\r\n"});
    std::vector<std::future<nlohmann::json>> checks;
    for (const std::string spelling : {"dave@junk.test", "DAVE@junk.test", "Dave@JUNK.test"}) {
        checks.push_back(
            std::async(std::launch::async, [spelling] { return checkJson(spelling); }));
    }
    for (auto& check : checks) {
        EXPECT_EQ(check.get()["verdict"], "gültig");
    }
}

TEST_F(Verdicts, ExchangersBeyondTheFirstFiveWithoutAddressesAreAsked) {
    const auto json = checkJson("alice@six.test");
    EXPECT_EQ(json["verdict"], "gültig");
    ASSERT_EQ(json["domain"]["exchangers"].size(), 1u);
    EXPECT_EQ(json["domain"]["exchangers"][0]["host"], "a6.six.test");
}

TEST_F(Verdicts, SuggestionNeverReplacesADomainWithExchangers) {
    const auto real = checkJson("anna@hotmial.com");
    EXPECT_EQ(real["suggestion"], nullptr);
    EXPECT_EQ(real["verdict"], "ungültig");  // the peer knows no "anna"
    EXPECT_EQ(checkJson("anna@gmial.com")["suggestion"], "anna@gmail.com");
}

TEST_F(Verdicts, JsonIsVersioned) {
    const auto json = checkJson("alice@mx.test");
    EXPECT_EQ(json["schemaVersion"], 2);
    EXPECT_EQ(json["reasonKey"], "deliverable");
    EXPECT_EQ(checkJson("kein-at")["reasonKey"], "syntax");
    EXPECT_EQ(checkJson("x@nosuchdomain.test")["reasonKey"], "no-such-domain");
}

TEST(VerdictSettings, UnreadableDnsAnswerIsUnknown) {
    const LoopingDns dns;
    ServicePeers peers;
    CheckerSettings settings = peers.settings();
    settings.dnsServers = {"127.0.0.1:" + std::to_string(dns.port())};
    boost::asio::io_context io;
    AddressChecker checker(io, settings, sharedLists());
    const auto report = checker.checkNow("alice@mx.test");
    EXPECT_EQ(report->verdict, Verdict::Unknown);
    EXPECT_EQ(report->reasonKey, "dns-unknown");
}

TEST(VerdictSettings, SessionsAreLimitedPerExchangerAddressWhateverItsSpelling) {
    ServicePeers peers;
    const CountingExchanger exchanger("127.0.0.5", peers.smtpPort());
    CheckerSettings settings = peers.settings();
    settings.smtpSessionsPerExchanger = 2;
    settings.cacheTime = std::chrono::seconds(0);
    RunningServer server(settings);
    std::vector<std::future<HttpReply>> checks;
    for (const std::string address : {"a@[127.0.0.5]", "b@[IPv6:::ffff:127.0.0.5]", "c@h5.test",
                                      "d@H5.TEST", "e@other5.test", "f@[IPv6:::FFFF:7f00:5]"}) {
        checks.push_back(std::async(std::launch::async, [&, address] {
            return request(server.port(), kCheck + percentEncode(address));
        }));
    }
    for (auto& check : checks) {
        EXPECT_EQ(check.get().status, 200);
    }
    EXPECT_EQ(exchanger.sessions(), 6u);
    EXPECT_EQ(exchanger.mostAtOnce(), 2u);
}

TEST(VerdictSettings, LiteralsAndRefusedExchangersAreNotAskedNorShown) {
    ServicePeers peers;
    CheckerSettings settings = peers.settings();
    settings.smtp.allowPrivateExchangers = false;
    settings.smtp.probeLiterals = false;
    RunningServer server(settings);
    const auto literal =
        nlohmann::json::parse(request(server.port(), kCheck + "alice@[8.8.8.8]&format=json").body);
    EXPECT_EQ(literal["verdict"], "unbekannt");
    EXPECT_EQ(literal["reasonKey"], "literal-not-checked");
    EXPECT_EQ(literal["domain"]["exchangers"].size(), 0u);

    const auto refused =
        nlohmann::json::parse(request(server.port(), kCheck + "alice@mx.test&format=json").body);
    EXPECT_EQ(refused["reasonKey"], "exchanger-not-checked");
    EXPECT_EQ(refused["domain"]["exchangers"].size(), 0u);
    EXPECT_EQ(refused["domain"]["exchangersNotChecked"], 1);
    const HttpReply page = request(server.port(), kCheck + "alice@mx.test");
    EXPECT_THAT(page.body, Not(HasSubstr("mx1.mx.test")));
    EXPECT_THAT(page.body, Not(HasSubstr("127.0.0.1")));
    EXPECT_THAT(page.body, HasSubstr("1 Mailserver ohne Internet-Adresse."));
}

}  // namespace
}  // namespace verinox::checkd::test
