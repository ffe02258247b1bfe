#include "DnsResolver.h"

#include <ares.h>
#include <arpa/inet.h>
#include <arpa/nameser.h>

#include <boost/asio/posix/stream_descriptor.hpp>
#include <boost/asio/redirect_error.hpp>
#include <boost/asio/steady_timer.hpp>
#include <boost/asio/use_awaitable.hpp>

#include <algorithm>
#include <array>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <unordered_map>

namespace verinox::checkd {

namespace asio = boost::asio;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kTries = 2;
// Exchangers asked at most, of those that have addresses; more MX records than this are looked
// up, so that a list led by names without addresses still reaches the ones that work.
constexpr std::size_t kMaxExchangers = 5;
constexpr std::size_t kMaxLookedUpExchangers = 16;
constexpr int kMaxAddressesPerFamily = 8;

enum class Outcome { Records, NoData, NoSuchName, TimedOut, Failed };

// One question; the waiting lookup sleeps on the timer until the answer cancels it.
struct Query {
    explicit Query(asio::io_context& io) : wake(io, Clock::time_point::max()) {}
    asio::steady_timer wake;
    bool done = false;
    Outcome outcome = Outcome::TimedOut;
    std::vector<unsigned char> answer;
};
using QueryPtr = std::shared_ptr<Query>;

void onAnswer(void* arg, int status, int /*timeouts*/, unsigned char* abuf, int alen) {
    const std::unique_ptr<QueryPtr> holder(static_cast<QueryPtr*>(arg));
    Query& query = **holder;
    switch (status) {
        case ARES_SUCCESS:
            query.outcome = Outcome::Records;
            query.answer.assign(abuf, abuf + alen);
            break;
        case ARES_ENODATA:
            query.outcome = Outcome::NoData;
            break;
        case ARES_ENOTFOUND:
            query.outcome = Outcome::NoSuchName;
            break;
        case ARES_ETIMEOUT:
        case ARES_ECANCELLED:
        case ARES_EDESTRUCTION:
            query.outcome = Outcome::TimedOut;
            break;
        default:
            query.outcome = Outcome::Failed;
            break;
    }
    query.done = true;
    query.wake.cancel();
}

}  // namespace

// One c-ares channel for the whole service; its sockets are watched by the event loop.
struct DnsResolver::Channel : std::enable_shared_from_this<DnsResolver::Channel> {
    struct Watch {
        Watch(asio::io_context& io, int fd) : descriptor(io, fd) {}
        asio::posix::stream_descriptor descriptor;
        bool read = false;
        bool write = false;
        bool reading = false;
        bool writing = false;
    };
    using WatchPtr = std::shared_ptr<Watch>;

    Channel(asio::io_context& context, const std::string& serversCsv,
            std::chrono::milliseconds timeout)
        : io(context), timer(context) {
        static std::once_flag libraryInit;
        std::call_once(libraryInit, [] { ares_library_init(ARES_LIB_INIT_ALL); });
        ares_options options{};
        options.timeout = static_cast<int>(timeout.count());
        options.tries = kTries;
        options.flags = ARES_FLAG_NOSEARCH | ARES_FLAG_NOALIASES;
        options.sock_state_cb = &Channel::onSocketState;
        options.sock_state_cb_data = this;
        const int mask =
            ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS | ARES_OPT_SOCK_STATE_CB;
        if (ares_init_options(&channel, &options, mask) != ARES_SUCCESS) {
            throw std::runtime_error("DNS resolver could not be set up");
        }
        if (!serversCsv.empty() &&
            ares_set_servers_ports_csv(channel, serversCsv.c_str()) != ARES_SUCCESS) {
            ares_destroy(channel);
            throw std::runtime_error("invalid DNS server list: " + serversCsv);
        }
    }

    ~Channel() {
        // c-ares closes its sockets itself; the loop only lets go of them.
        for (auto& [fd, watch] : watches) {
            watch->descriptor.release();
        }
        watches.clear();
        closed = true;
        ares_destroy(channel);
    }

    static void onSocketState(void* data, ares_socket_t fd, int readable, int writable) {
        auto* self = static_cast<Channel*>(data);
        if (!self->closed) {
            self->socketState(fd, readable != 0, writable != 0);
        }
    }

    void socketState(int fd, bool readable, bool writable) {
        const auto found = watches.find(fd);
        if (!readable && !writable) {
            if (found != watches.end()) {
                found->second->descriptor.release();
                watches.erase(found);
            }
            return;
        }
        WatchPtr watch = found != watches.end() ? found->second : std::make_shared<Watch>(io, fd);
        watches[fd] = watch;
        watch->read = readable;
        watch->write = writable;
        arm(fd, watch);
    }

    void arm(int fd, const WatchPtr& watch) {
        if (watch->read && !watch->reading) {
            watch->reading = true;
            watch->descriptor.async_wait(
                asio::posix::stream_descriptor::wait_read,
                [weak = weak_from_this(), fd, watch](boost::system::error_code ec) {
                    watch->reading = false;
                    if (const auto self = weak.lock(); self && !ec) {
                        self->ready(fd, watch, fd, ARES_SOCKET_BAD);
                    }
                });
        }
        if (watch->write && !watch->writing) {
            watch->writing = true;
            watch->descriptor.async_wait(
                asio::posix::stream_descriptor::wait_write,
                [weak = weak_from_this(), fd, watch](boost::system::error_code ec) {
                    watch->writing = false;
                    if (const auto self = weak.lock(); self && !ec) {
                        self->ready(fd, watch, ARES_SOCKET_BAD, fd);
                    }
                });
        }
    }

    void ready(int fd, const WatchPtr& watch, ares_socket_t readFd, ares_socket_t writeFd) {
        ares_process_fd(channel, readFd, writeFd);
        if (const auto found = watches.find(fd); found != watches.end() && found->second == watch) {
            arm(fd, watch);
        }
        armTimer();
    }

    // c-ares's own retry and timeout clock.
    void armTimer() {
        timeval left{};
        if (ares_timeout(channel, nullptr, &left) == nullptr) {
            timer.cancel();
            return;
        }
        timer.expires_after(std::chrono::seconds(left.tv_sec) +
                            std::chrono::microseconds(left.tv_usec));
        timer.async_wait([weak = weak_from_this()](boost::system::error_code ec) {
            if (const auto self = weak.lock(); self && !ec) {
                ares_process_fd(self->channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
                self->armTimer();
            }
        });
    }

    QueryPtr send(const std::string& name, int type) {
        auto query = std::make_shared<Query>(io);
        ares_query(channel, name.c_str(), ns_c_in, type, onAnswer, new QueryPtr(query));
        armTimer();
        return query;
    }

    asio::io_context& io;
    ares_channel channel = nullptr;
    asio::steady_timer timer;
    std::unordered_map<int, WatchPtr> watches;
    bool closed = false;
};

namespace {

// Waits for the answer until the deadline; a late answer is dropped.
asio::awaitable<void> awaitAnswer(const QueryPtr& query, Clock::time_point deadline) {
    if (!query->done) {
        query->wake.expires_at(deadline);
        boost::system::error_code ec;
        co_await query->wake.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    }
}

struct AddressQueries {
    QueryPtr a;
    QueryPtr aaaa;
};

template <class Channel>
AddressQueries sendAddressQueries(Channel& channel, const std::string& host) {
    return AddressQueries{channel.send(host, ns_t_a), channel.send(host, ns_t_aaaa)};
}

asio::awaitable<void> awaitAddresses(const AddressQueries& queries, Clock::time_point deadline) {
    co_await awaitAnswer(queries.a, deadline);
    co_await awaitAnswer(queries.aaaa, deadline);
}

bool isAnswer(Outcome outcome) {
    return outcome == Outcome::Records || outcome == Outcome::NoData ||
           outcome == Outcome::NoSuchName;
}

// The addresses, and whether every answer was usable.
std::pair<std::vector<std::string>, bool> addressesOf(const AddressQueries& queries) {
    std::vector<std::string> out;
    bool usable = isAnswer(queries.a->outcome) && isAnswer(queries.aaaa->outcome);
    char text[INET6_ADDRSTRLEN];
    if (queries.a->outcome == Outcome::Records) {
        std::array<ares_addrttl, kMaxAddressesPerFamily> ttls{};
        int n = kMaxAddressesPerFamily;
        if (ares_parse_a_reply(queries.a->answer.data(), static_cast<int>(queries.a->answer.size()),
                               nullptr, ttls.data(), &n) == ARES_SUCCESS) {
            for (int i = 0; i < n; ++i) {
                out.emplace_back(inet_ntop(AF_INET, &ttls[i].ipaddr, text, sizeof text));
            }
        } else {
            usable = false;
        }
    }
    if (queries.aaaa->outcome == Outcome::Records) {
        std::array<ares_addr6ttl, kMaxAddressesPerFamily> ttls{};
        int n = kMaxAddressesPerFamily;
        if (ares_parse_aaaa_reply(queries.aaaa->answer.data(),
                                  static_cast<int>(queries.aaaa->answer.size()), nullptr,
                                  ttls.data(), &n) == ARES_SUCCESS) {
            for (int i = 0; i < n; ++i) {
                out.emplace_back(inet_ntop(AF_INET6, &ttls[i].ip6addr, text, sizeof text));
            }
        } else {
            usable = false;
        }
    }
    return {out, usable};
}

DomainResult unknown(std::string detail) {
    return DomainResult{DomainStatus::Unknown, {}, std::move(detail)};
}

struct MxRecord {
    std::string host;
    int preference;
};

// Nullopt when the answer cannot be read (a compression loop, a cut-off record): that says
// nothing about the domain.
std::optional<std::vector<MxRecord>> parseMx(const Query& query) {
    std::vector<MxRecord> records;
    ares_mx_reply* reply = nullptr;
    const int status =
        ares_parse_mx_reply(query.answer.data(), static_cast<int>(query.answer.size()), &reply);
    if (status == ARES_ENODATA) {
        return records;
    }
    if (status != ARES_SUCCESS) {
        return std::nullopt;
    }
    for (const ares_mx_reply* r = reply; r != nullptr; r = r->next) {
        records.push_back(MxRecord{r->host != nullptr ? r->host : "", r->priority});
    }
    ares_free_data(reply);
    std::stable_sort(records.begin(), records.end(), [](const MxRecord& a, const MxRecord& b) {
        return a.preference < b.preference;
    });
    return records;
}

bool isNullMx(const std::vector<MxRecord>& records) {
    return records.size() == 1 && (records[0].host.empty() || records[0].host == ".");
}

}  // namespace

DnsResolver::DnsResolver(asio::io_context& io, const std::vector<std::string>& servers,
                         std::chrono::milliseconds timeout) {
    std::string serversCsv;
    for (const auto& server : servers) {
        if (!serversCsv.empty()) {
            serversCsv += ',';
        }
        serversCsv += server;
    }
    channel_ = std::make_shared<Channel>(io, serversCsv, timeout);
}

DnsResolver::~DnsResolver() = default;

asio::awaitable<DomainResult> DnsResolver::lookUpMailDomain(std::string asciiDomain,
                                                            Clock::time_point deadline) {
    // Held for the whole lookup: the channel must outlive the questions asked on it.
    const std::shared_ptr<Channel> channel = channel_;
    const QueryPtr mx = channel->send(asciiDomain, ns_t_mx);
    co_await awaitAnswer(mx, deadline);
    std::optional<std::vector<MxRecord>> records;
    switch (mx->outcome) {
        case Outcome::NoSuchName:
            co_return DomainResult{DomainStatus::NoSuchDomain, {}, "Die Domain existiert nicht."};
        case Outcome::TimedOut:
            co_return unknown("Der DNS-Server hat nicht rechtzeitig geantwortet.");
        case Outcome::Failed:
            co_return unknown("Der DNS-Server meldet einen Fehler.");
        case Outcome::NoData:
            records.emplace();
            break;
        case Outcome::Records:
            records = parseMx(*mx);
            if (!records) {
                co_return unknown("Die Antwort des DNS-Servers ist fehlerhaft.");
            }
            break;
    }
    if (records->empty()) {
        const AddressQueries queries = sendAddressQueries(*channel, asciiDomain);
        co_await awaitAddresses(queries, deadline);
        auto [addresses, usable] = addressesOf(queries);
        if (!addresses.empty()) {
            co_return DomainResult{DomainStatus::ImplicitExchanger,
                                   {Exchanger{asciiDomain, 0, std::move(addresses)}},
                                   "Kein MX-Eintrag; die Domain selbst nimmt E-Mails an."};
        }
        if (!usable) {
            co_return unknown("Die Adresse der Domain ist nicht abfragbar.");
        }
        co_return DomainResult{DomainStatus::NoMailHost, {}, "Die Domain hat keinen Mailserver."};
    }
    if (isNullMx(*records)) {
        co_return DomainResult{
            DomainStatus::NullMx, {}, "Die Domain nimmt keine E-Mails an (Null-MX)."};
    }
    std::erase_if(*records, [](const MxRecord& r) { return r.host.empty() || r.host == "."; });
    if (records->size() > kMaxLookedUpExchangers) {
        records->resize(kMaxLookedUpExchangers);
    }
    std::vector<AddressQueries> queries;
    for (const auto& record : *records) {
        queries.push_back(sendAddressQueries(*channel, record.host));
    }
    DomainResult result{DomainStatus::MailExchangers, {}, {}};
    bool failed = false;
    for (std::size_t i = 0; i < records->size(); ++i) {
        co_await awaitAddresses(queries[i], deadline);
        auto [addresses, usable] = addressesOf(queries[i]);
        failed = failed || !usable;
        if (!addresses.empty() && result.exchangers.size() < kMaxExchangers) {
            result.exchangers.push_back(
                Exchanger{(*records)[i].host, (*records)[i].preference, std::move(addresses)});
        }
    }
    if (result.exchangers.empty()) {
        if (failed) {
            co_return unknown("Die Mailserver-Adressen sind nicht abfragbar.");
        }
        co_return DomainResult{
            DomainStatus::NoMailHost, {}, "Die Mailserver der Domain haben keine IP-Adresse."};
    }
    result.detail = std::to_string(result.exchangers.size()) + " Mailserver gefunden.";
    co_return result;
}

}  // namespace verinox::checkd
