#include "ServicePeers.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

extern char** environ;

namespace verinox::checkd::test {
namespace {

using ::testing::HasSubstr;

pid_t spawn(std::vector<std::string> argv) {
    argv.insert(argv.begin(), VERINOX_CHECKD_PROGRAM);
    std::vector<char*> args;
    for (auto& arg : argv) {
        args.push_back(arg.data());
    }
    args.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(posix_spawn(&pid, args[0], nullptr, nullptr, args.data(), environ), 0);
    return pid;
}

int exitCode(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

TEST(ServiceProcess, AnswersThenStopsCleanlyOnSigterm) {
    const int port = freePort(false);
    const pid_t pid =
        spawn({"--listen", "127.0.0.1:" + std::to_string(port), "--data", VERINOX_CHECKD_DATA_DIR});
    HttpReply reply;
    for (int attempt = 0; attempt < 200 && reply.status == 0; ++attempt) {
        try {
            reply = request(port, "/tools/verinox/checkmail.php?email=kein-at");
        } catch (const std::runtime_error&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    EXPECT_EQ(reply.status, 200);
    EXPECT_THAT(reply.body, HasSubstr("Die Adresse enthält kein @-Zeichen."));
    kill(pid, SIGTERM);
    EXPECT_EQ(exitCode(pid), 0);
}

// A child that has not ended by the limit is counted as hanging.
bool endsWithin(pid_t pid, std::chrono::milliseconds limit, int& code) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            code = WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

TEST(ServiceProcess, SigtermEndsWithinTheGraceTimeWhateverClientsAndExchangersDo) {
    ServicePeers peers;
    const int port = freePort(false);
    const pid_t pid =
        spawn({"--listen", "127.0.0.1:" + std::to_string(port), "--data", VERINOX_CHECKD_DATA_DIR,
               "--dns", "127.0.0.1:" + std::to_string(peers.dnsPort()), "--smtp-port",
               std::to_string(peers.smtpPort()), "--allow-private-mx", "--timeout", "20",
               "--budget", "60", "--stop-grace", "1"});
    for (int attempt = 0; attempt < 200; ++attempt) {
        try {
            request(port, "/health");
            break;
        } catch (const std::runtime_error&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    RawConnection idle(port);
    RawConnection dripping(port);
    dripping.send("GET /tools/verinox/checkmail.php?email=a HTTP/1.1\r\nHost: t\r\nX-");
    std::vector<std::unique_ptr<RawConnection>> silentChecks;
    for (int i = 0; i < 8; ++i) {
        silentChecks.push_back(std::make_unique<RawConnection>(port));
        silentChecks.back()->send("GET /tools/verinox/checkmail.php?email=user" +
                                  std::to_string(i) + "@silent.test HTTP/1.1\r\nHost: t\r\n\r\n");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the checks are under way
    kill(pid, SIGTERM);
    EXPECT_TRUE(idle.closedWithin(std::chrono::milliseconds(500)));
    EXPECT_TRUE(dripping.closedWithin(std::chrono::milliseconds(500)));
    int code = -1;
    const bool ended = endsWithin(pid, std::chrono::seconds(5), code);
    EXPECT_TRUE(ended);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    EXPECT_EQ(code, 0);
}

TEST(ServiceProcess, CommandLineMistakesAreUsageErrors) {
    EXPECT_EQ(exitCode(spawn({"--help"})), 0);
    EXPECT_EQ(exitCode(spawn({"--timeout", "0"})), 2);
    EXPECT_EQ(exitCode(spawn({"--smtp-port", "70000"})), 2);
    EXPECT_EQ(exitCode(spawn({"--dns", "no-port"})), 2);
    EXPECT_EQ(exitCode(spawn({"--mail-from", "a@b>\r\nRCPT TO:<x@y"})), 2);
    EXPECT_EQ(exitCode(spawn({"--frobnicate"})), 2);
    EXPECT_EQ(exitCode(spawn({"--data", "/nonexistent", "--listen", "127.0.0.1:1"})), 1);
}

}  // namespace
}  // namespace verinox::checkd::test
