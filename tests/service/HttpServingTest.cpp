#include "ServicePeers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <future>

namespace verinox::checkd::test {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

const std::string kCheck = "/tools/verinox/checkmail.php?email=";

std::string get(const std::string& target, const std::string& headers = "Host: t\r\n") {
    return "GET " + target + " HTTP/1.1\r\n" + headers + "\r\n";
}

ServerLimits shortLimits() {
    ServerLimits limits;
    limits.requestTime = 600ms;
    limits.idleTime = 400ms;
    return limits;
}

class HttpServing : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        peers_ = new ServicePeers();
        server_ = new RunningServer(peers_->settings(), shortLimits());
    }
    static void TearDownTestSuite() {
        delete server_;
        delete peers_;
    }
    static int port() { return server_->port(); }

    static ServicePeers* peers_;
    static RunningServer* server_;
};

ServicePeers* HttpServing::peers_ = nullptr;
RunningServer* HttpServing::server_ = nullptr;

TEST_F(HttpServing, PipelinedRequestsAreAnsweredInOrder) {
    RawConnection client(port());
    client.send(get(kCheck + "kein-at") + get("/nothing") + get(kCheck + "alice@mx.test") +
                get(kCheck + "x", "Host: t\r\nConnection: close\r\n"));
    const std::string replies = client.readUntilClosed(5s);
    EXPECT_THAT(replyStatuses(replies), ElementsAre(200, 404, 200, 200));
    const std::size_t first = replies.find("Die Adresse enthält kein @-Zeichen.");
    const std::size_t third = replies.find("Das Postfach existiert und nimmt E-Mails an.");
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(third, std::string::npos);
    EXPECT_LT(first, third);
}

TEST_F(HttpServing, OtherMethodsGet405WithAllow) {
    for (const std::string& line : std::vector<std::string>{
             "TRACE / HTTP/1.1", "CONNECT 127.0.0.1:25 HTTP/1.1", "FROB " + kCheck + "a HTTP/1.1",
             "POST " + kCheck + "a HTTP/1.1", "PATCH /x HTTP/1.1", "OPTIONS * HTTP/1.1"}) {
        SCOPED_TRACE(line);
        RawConnection client(port());
        client.send(line + "\r\nHost: t\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        const std::string reply = client.readUntilClosed(2s);
        EXPECT_THAT(replyStatuses(reply), ElementsAre(405));
        EXPECT_THAT(reply, HasSubstr("\r\nAllow: GET, HEAD\r\n"));
        EXPECT_THAT(reply, HasSubstr("Nur GET und HEAD sind erlaubt."));
    }
}

TEST_F(HttpServing, RoutesAreExactAndHostIsRequired) {
    for (const std::string target :
         {"/tools/verinox/checkmailXphp?email=a", "/tools/verinox/checkmail.php/x?email=a",
          "/tools/verinox/checkmail.phpx", "//tools/verinox/checkmail.php?email=a",
          "/TOOLS/verinox/checkmail.php?email=a"}) {
        EXPECT_EQ(request(port(), target).status, 404) << target;
    }
    RawConnection noHost(port());
    noHost.send("GET " + kCheck + "a HTTP/1.1\r\n\r\n");
    EXPECT_THAT(replyStatuses(noHost.readUntilClosed(2s)), ElementsAre(400));

    RawConnection twoHosts(port());
    twoHosts.send("GET " + kCheck + "a HTTP/1.1\r\nHost: a\r\nHost: b\r\n\r\n");
    EXPECT_THAT(replyStatuses(twoHosts.readUntilClosed(2s)), ElementsAre(400));

    RawConnection oldClient(port());  // HTTP/1.0 has no Host and closes after each answer
    oldClient.send("GET " + kCheck + "kein-at HTTP/1.0\r\n\r\n");
    EXPECT_THAT(replyStatuses(oldClient.readUntilClosed(2s)), ElementsAre(200));
}

TEST_F(HttpServing, OversizedRequestsAreRefusedAndClosed) {
    RawConnection hugeHeader(port());
    hugeHeader.send("GET " + kCheck + "a HTTP/1.1\r\nHost: t\r\n");
    for (int i = 0; i < 100 && hugeHeader.send("X-Fill: " + std::string(1000, 'a') + "\r\n");) {
        ++i;
    }
    EXPECT_THAT(replyStatuses(hugeHeader.readUntilClosed(2s)), ElementsAre(431));

    RawConnection announced(port());
    announced.send("POST " + kCheck + "a HTTP/1.1\r\nHost: t\r\nContent-Length: 400000000\r\n\r\n");
    EXPECT_THAT(replyStatuses(announced.readUntilClosed(2s)), ElementsAre(413));

    RawConnection chunked(port());
    chunked.send("POST " + kCheck + "a HTTP/1.1\r\nHost: t\r\nTransfer-Encoding: chunked\r\n\r\n");
    const std::string chunk = "4000\r\n" + std::string(0x4000, 'b') + "\r\n";
    int sent = 0;
    while (sent < 256 && chunked.send(chunk)) {  // 4 MB at most; the server stops it far earlier
        ++sent;
    }
    EXPECT_THAT(replyStatuses(chunked.readUntilClosed(2s)), ElementsAre(413));
    EXPECT_LT(sent, 256);

    EXPECT_EQ(request(port(), kCheck + "kein-at").status, 200);
}

TEST_F(HttpServing, DrippingClientsMeetTheirDeadlineAndStarveNoOne) {
    constexpr int kDrippers = 32;
    std::vector<std::unique_ptr<RawConnection>> drippers;
    for (int i = 0; i < kDrippers; ++i) {
        drippers.push_back(std::make_unique<RawConnection>(port()));
        drippers.back()->send("GET " + kCheck + "a HTTP/1.1\r\nHost: t\r\n");
    }
    // A byte every 100 ms for 1.5 s: a deadline that bytes moved would never come.
    for (int tick = 0; tick < 15; ++tick) {
        for (auto& dripper : drippers) {
            dripper->send("x");
        }
        if (tick == 2) {
            EXPECT_EQ(request(port(), kCheck + "kein-at").status, 200);
        }
        std::this_thread::sleep_for(100ms);
    }
    for (auto& dripper : drippers) {
        EXPECT_TRUE(dripper->closedWithin(100ms));
    }
}

TEST_F(HttpServing, IdleConnectionsHoldNothingAndAreClosed) {
    // Client and server share this process: both ends count against its descriptor limit.
    std::vector<std::unique_ptr<RawConnection>> idle;
    for (int i = 0; i < 300; ++i) {
        idle.push_back(std::make_unique<RawConnection>(port()));
    }
    request(port(), kCheck + "alice@mx.test");
    EXPECT_EQ(request(port(), kCheck + "alice@mx.test").status, 200);
    EXPECT_EQ(request(port(), kCheck + "kein-at").status, 200);
    EXPECT_TRUE(idle.front()->closedWithin(2s));
    EXPECT_TRUE(idle.back()->closedWithin(500ms));
}

TEST_F(HttpServing, HealthAndSchemaAreServed) {
    const HttpReply health = request(port(), "/health");
    EXPECT_EQ(health.status, 200);
    const auto status = nlohmann::json::parse(health.body);
    EXPECT_EQ(status["status"], "ok");
    EXPECT_EQ(status["schemaVersion"], 2);
    EXPECT_GE(status["connections"], 1);

    const HttpReply document = request(port(), "/openapi.json");
    EXPECT_EQ(document.headers.at("content-type"), "application/json; charset=utf-8");
    const auto api = nlohmann::json::parse(document.body);
    EXPECT_EQ(api["openapi"], "3.1.0");
    const auto& result = api["components"]["schemas"]["CheckResult"];
    EXPECT_EQ(result["properties"]["schemaVersion"]["const"], 2);
    // Every field of a real result is described.
    const auto json =
        nlohmann::json::parse(request(port(), kCheck + "alice@mx.test&format=json").body);
    for (const auto& [name, value] : json.items()) {
        EXPECT_TRUE(result["properties"].contains(name)) << name;
        if (value.is_object()) {
            for (const auto& [field, inner] : value.items()) {
                EXPECT_TRUE(result["properties"][name]["properties"].contains(field)) << field;
            }
        }
    }
    const auto& reasonKeys = result["properties"]["reasonKey"]["enum"];
    EXPECT_NE(std::find(reasonKeys.begin(), reasonKeys.end(), json["reasonKey"]), reasonKeys.end());
}

TEST_F(HttpServing, NoSecondServerSharesThePort) {
    boost::asio::io_context io;
    AddressChecker checker(io, peers_->settings(), sharedLists());
    CheckServer second(io, checker, ServerLimits{});
    EXPECT_THROW(second.bind("127.0.0.1", port()), std::runtime_error);
}

TEST(HttpServingLimits, ConnectionsOverTheClientCapGet503) {
    ServicePeers peers;
    ServerLimits limits = shortLimits();
    limits.connectionsPerClient = 3;
    RunningServer server(peers.settings(), limits);
    RawConnection a(server.port()), b(server.port()), c(server.port());
    a.send("G");  // all three are surely admitted once one of them is answered
    c.send(get(kCheck + "kein-at"));
    EXPECT_THAT(replyStatuses(c.readUntilClosed(200ms)), ElementsAre(200));
    const HttpReply refused = request(server.port(), kCheck + "kein-at");
    EXPECT_EQ(refused.status, 503);
    EXPECT_EQ(refused.headers.at("retry-after"), "5");
}

TEST(HttpServingLimits, ConnectionCloseIsHonouredOnEveryAnswer) {
    ServicePeers peers;
    ServerLimits limits;
    limits.idleTime = 30s;  // a close within the test's limit can only be the answer's own
    RunningServer server(peers.settings(), limits);
    for (const std::string& target : {kCheck + "kein-at", std::string("/nothing")}) {
        RawConnection client(server.port());
        client.send(get(target, "Host: t\r\nConnection: close\r\n"));
        const std::string reply = client.readUntilClosed(5s);
        EXPECT_THAT(reply, HasSubstr("\r\nConnection: close\r\n")) << target;
        EXPECT_EQ(replyStatuses(reply).size(), 1u) << target;
    }
    RawConnection kept(server.port());
    kept.send(get(kCheck + "kein-at"));
    EXPECT_FALSE(kept.closedWithin(300ms));
}

TEST(HttpServingLimits, CheapAnswersDoNotWaitBehindSlowChecks) {
    ServicePeers peers;
    ServerLimits limits = shortLimits();
    limits.pendingChecks = 2;
    RunningServer server(peers.settings(), limits);
    EXPECT_EQ(request(server.port(), kCheck + "alice@mx.test").status, 200);  // now kept
    std::vector<std::future<HttpReply>> slow;
    for (const std::string address : {"a@silent.test", "b@silent.test"}) {
        slow.push_back(std::async(
            std::launch::async, [&, address] { return request(server.port(), kCheck + address); }));
    }
    for (int i = 0; i < 200; ++i) {  // until both are taken in
        const auto health = nlohmann::json::parse(request(server.port(), "/health").body);
        if (health["checksUnderWay"] == 2) {
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    const HttpReply busy = request(server.port(), kCheck + "c@silent.test");
    EXPECT_EQ(busy.status, 503);
    EXPECT_THAT(busy.body, HasSubstr("ausgelastet"));
    EXPECT_EQ(request(server.port(), kCheck + "kein-at").status, 200);
    EXPECT_EQ(request(server.port(), kCheck + "ALICE@MX.TEST").status, 200);
    EXPECT_EQ(slow.front().wait_for(0s), std::future_status::timeout);
    for (auto& reply : slow) {
        EXPECT_EQ(reply.get().status, 200);
    }
}

}  // namespace
}  // namespace verinox::checkd::test
