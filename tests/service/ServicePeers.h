#pragma once

#include "AddressChecker.h"
#include "CheckServer.h"
#include "DomainLists.h"

#include <chrono>
#include <map>
#include <memory>
#include <string>
#include <thread>

namespace verinox::checkd::test {

// A child process that is ended (SIGTERM, then waited for) when the object goes. With a ready
// line, the constructor returns once the child has printed it and throws when the child ends
// its output first.
class Peer {
  public:
    explicit Peer(const std::vector<std::string>& argv, const std::string& readyLine = "");
    ~Peer();
    Peer(const Peer&) = delete;
    Peer& operator=(const Peer&) = delete;

  private:
    pid_t pid_ = -1;
};

// A socket that accepts connections (the kernel completes them) or datagrams and never answers.
class SilentListener {
  public:
    SilentListener(const std::string& address, int port, bool datagram);
    ~SilentListener();
    SilentListener(const SilentListener&) = delete;
    SilentListener& operator=(const SilentListener&) = delete;

  private:
    int fd_ = -1;
};

// An exchanger on 127.0.0.4 for one session: sends each reply in turn, reading one command line
// after each, then hangs up. For replies no real server gives.
class ScriptedExchanger {
  public:
    ScriptedExchanger(int port, std::vector<std::string> replies);
    ~ScriptedExchanger();
    ScriptedExchanger(const ScriptedExchanger&) = delete;
    ScriptedExchanger& operator=(const ScriptedExchanger&) = delete;

  private:
    int listener_;
    std::thread thread_;
};

int freePort(bool datagram);

// The real peers on loopback: dnsmasq with the test zones, the scripted aiosmtpd exchanger on
// 127.0.0.1, nothing on 127.0.0.2 (refused), a silent exchanger on 127.0.0.3 and a DNS server
// that never answers.
class ServicePeers {
  public:
    ServicePeers();

    int dnsPort() const { return dnsPort_; }
    int silentDnsPort() const { return silentDnsPort_; }
    int smtpPort() const { return smtpPort_; }

    // Settings pointing at these peers, with short timeouts.
    CheckerSettings settings() const;

  private:
    void start();

    int dnsPort_ = 0;
    int silentDnsPort_ = 0;
    int smtpPort_ = 0;
    std::unique_ptr<SilentListener> silentDns_;
    std::unique_ptr<SilentListener> silentExchanger_;
    std::unique_ptr<Peer> dnsmasq_;
    std::unique_ptr<Peer> smtp_;
};

const DomainLists& sharedLists();

// A check server on a free loopback port, its loop run on a thread of its own.
class RunningServer {
  public:
    explicit RunningServer(const CheckerSettings& settings, ServerLimits limits = {});
    ~RunningServer();

    int port() const { return port_; }
    AddressChecker& checker() { return checker_; }

  private:
    boost::asio::io_context io_{1};
    AddressChecker checker_;
    CheckServer server_;
    int port_;
    std::thread thread_;
};

struct HttpReply {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
};

// Sends the target exactly as given, so that tests control every byte of the request line.
HttpReply request(int port, const std::string& target, const std::string& method = "GET",
                  const std::string& extraHeaders = "");

std::string percentEncode(const std::string& text);

// A client connection that sends exactly what the test gives, when it gives it.
class RawConnection {
  public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    // False once the server has closed the connection.
    bool send(const std::string& bytes);
    // Everything the server sends until it closes the connection or the limit passes.
    std::string readUntilClosed(std::chrono::milliseconds limit);
    // True when the server closes the connection within the limit.
    bool closedWithin(std::chrono::milliseconds limit);

  private:
    int fd_ = -1;
};

// The status codes of the replies in a stream of HTTP replies, in their order.
std::vector<int> replyStatuses(const std::string& stream);

}  // namespace verinox::checkd::test
