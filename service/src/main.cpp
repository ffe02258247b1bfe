#include "AddressChecker.h"
#include "CheckServer.h"
#include "DomainLists.h"
#include "Options.h"

#include <boost/asio/io_context.hpp>

#include <pthread.h>
#include <sys/resource.h>

#include <csignal>
#include <iostream>
#include <thread>

using namespace verinox::checkd;

namespace {

// Each client connection is a descriptor: the soft limit (often 1024) would refuse idle
// keep-alive connections long before the connection cap does.
void raiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur < limit.rlim_max) {
        limit.rlim_cur = limit.rlim_max;
        setrlimit(RLIMIT_NOFILE, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Every thread started from here on inherits the blocked set, so only the waiter below
    // receives the stop signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Options options;
    try {
        options = parseOptions(std::vector<std::string>(argv + 1, argv + argc), argv[0]);
    } catch (const UsageError& error) {
        std::cerr << "verinox-checkd: " << error.what() << "\n";
        return 2;
    }
    if (options.help) {
        std::cout << usageText();
        return 0;
    }
    raiseDescriptorLimit();
    try {
        const DomainLists lists(options.dataDirectory);
        boost::asio::io_context io(1);
        AddressChecker checker(io, options.checker, lists);
        CheckServer server(io, checker, options.server);
        const int port = server.bind(options.listenHost, options.listenPort);
        std::thread waiter([&] {
            int signal = 0;
            sigwait(&stopSignals, &signal);
            server.stop();
        });
        std::cerr << "verinox-checkd: listening on " << options.listenHost << ":" << port << "\n";
        server.run();
        pthread_kill(waiter.native_handle(), SIGTERM);  // release the waiter if run() ended alone
        waiter.join();
    } catch (const std::exception& error) {
        std::cerr << "verinox-checkd: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
