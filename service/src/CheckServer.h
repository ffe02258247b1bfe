#pragma once

#include "AddressChecker.h"

#include <boost/asio/io_context.hpp>

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

namespace verinox::checkd {

inline constexpr std::string_view kCheckPath = "/tools/verinox/checkmail.php";
inline constexpr std::string_view kHealthPath = "/health";
inline constexpr std::string_view kOpenApiPath = "/openapi.json";

// Every count and wait a client could otherwise make unbounded.
struct ServerLimits {
    std::size_t connections = 10000;
    std::size_t connectionsPerClient = 4096;
    std::size_t pendingChecks = 4096;  // checks waiting for or in a worker
    std::size_t checkThreads = 64;
    std::chrono::milliseconds requestTime{10000};  // a whole first request, from the connect
    std::chrono::milliseconds idleTime{5000};      // a whole later request on a kept connection
    std::chrono::milliseconds writeTime{10000};    // one answer
    std::chrono::milliseconds stopGrace{10000};    // for checks under way when stopping
    int backlog = 4096;
};

// The HTTP side, event-driven on the checker's loop: answers GET and HEAD of the check path with
// the result page or its JSON form, the health and schema documents, everything else with a small
// error page. Serves no other resource and forwards nothing.
class CheckServer {
  public:
    CheckServer(boost::asio::io_context& io, AddressChecker& checker, ServerLimits limits);
    ~CheckServer();
    CheckServer(const CheckServer&) = delete;
    CheckServer& operator=(const CheckServer&) = delete;

    // Binds the listening socket; port 0 picks a free one. Returns the port; throws on failure.
    int bind(const std::string& host, int port);
    // Runs the loop until stop() has been called and the checks under way have been answered or
    // the grace time has passed.
    void run();
    // Callable from any thread, also before run() has started serving.
    void stop();

  private:
    friend class Session;
    struct Core;
    std::shared_ptr<Core> core_;
};

}  // namespace verinox::checkd
