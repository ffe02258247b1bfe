#pragma once

#include "AddressChecker.h"

#include <httplib.h>

#include <atomic>
#include <string>

namespace verinox::checkd {

inline constexpr std::string_view kCheckPath = "/tools/verinox/checkmail.php";

// The HTTP side: answers GET and HEAD of the check path with the result page or its JSON form,
// everything else with a small error page. Serves no other resource and forwards nothing.
class CheckServer {
  public:
    CheckServer(AddressChecker& checker, std::size_t threads);

    // Binds the listening socket; port 0 picks a free one. Returns the port; throws on failure.
    int bind(const std::string& host, int port);
    // Serves until stop() is called.
    void run();
    // Callable from any thread, also before run() has started serving.
    void stop();

  private:
    void answerCheck(const httplib::Request& request, httplib::Response& response);

    AddressChecker& checker_;
    httplib::Server server_;
    std::atomic<bool> stopRequested_{false};
    std::atomic<bool> finished_{false};
};

}  // namespace verinox::checkd
