#include "DnsResolver.h"

#include <ares.h>
#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <poll.h>

#include <algorithm>
#include <array>
#include <mutex>
#include <stdexcept>

namespace verinox::checkd {
namespace {

constexpr int kTries = 2;
constexpr std::size_t kMaxExchangers = 5;
constexpr int kMaxAddressesPerFamily = 8;

enum class Outcome { Records, NoData, NoSuchName, TimedOut, Failed };

struct Query {
    Outcome outcome = Outcome::TimedOut;
    std::vector<unsigned char> answer;
};

void onAnswer(void* arg, int status, int /*timeouts*/, unsigned char* abuf, int alen) {
    auto* query = static_cast<Query*>(arg);
    switch (status) {
        case ARES_SUCCESS:
            query->outcome = Outcome::Records;
            query->answer.assign(abuf, abuf + alen);
            break;
        case ARES_ENODATA:
            query->outcome = Outcome::NoData;
            break;
        case ARES_ENOTFOUND:
            query->outcome = Outcome::NoSuchName;
            break;
        case ARES_ETIMEOUT:
        case ARES_ECANCELLED:
            query->outcome = Outcome::TimedOut;
            break;
        default:
            query->outcome = Outcome::Failed;
            break;
    }
}

// One c-ares channel driven by poll() until its queries are answered or the deadline passes.
class Channel {
  public:
    Channel(const std::string& serversCsv, std::chrono::milliseconds timeout) {
        static std::once_flag libraryInit;
        std::call_once(libraryInit, [] { ares_library_init(ARES_LIB_INIT_ALL); });
        ares_options options{};
        options.timeout = static_cast<int>(timeout.count());
        options.tries = kTries;
        options.flags = ARES_FLAG_NOSEARCH | ARES_FLAG_NOALIASES;
        const int mask = ARES_OPT_TIMEOUTMS | ARES_OPT_TRIES | ARES_OPT_FLAGS;
        if (ares_init_options(&channel_, &options, mask) != ARES_SUCCESS) {
            throw std::runtime_error("DNS resolver could not be set up");
        }
        if (!serversCsv.empty() &&
            ares_set_servers_ports_csv(channel_, serversCsv.c_str()) != ARES_SUCCESS) {
            ares_destroy(channel_);
            throw std::runtime_error("invalid DNS server list: " + serversCsv);
        }
    }
    ~Channel() { ares_destroy(channel_); }
    Channel(const Channel&) = delete;
    Channel& operator=(const Channel&) = delete;

    void send(const std::string& name, int type, Query& query) {
        ares_query(channel_, name.c_str(), ns_c_in, type, onAnswer, &query);
    }

    void run(std::chrono::steady_clock::time_point deadline) {
        for (;;) {
            std::array<ares_socket_t, ARES_GETSOCK_MAXNUM> sockets{};
            const int bits = ares_getsock(channel_, sockets.data(), ARES_GETSOCK_MAXNUM);
            std::array<pollfd, ARES_GETSOCK_MAXNUM> fds{};
            nfds_t count = 0;
            for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
                short events = 0;
                if (ARES_GETSOCK_READABLE(bits, i)) {
                    events |= POLLIN;
                }
                if (ARES_GETSOCK_WRITABLE(bits, i)) {
                    events |= POLLOUT;
                }
                if (events != 0) {
                    fds[count++] = pollfd{sockets[i], events, 0};
                }
            }
            if (count == 0) {
                return;  // nothing outstanding
            }
            const auto now = std::chrono::steady_clock::now();
            if (now >= deadline) {
                ares_cancel(channel_);
                return;
            }
            timeval maxWait{};
            const auto left = std::chrono::duration_cast<std::chrono::microseconds>(deadline - now);
            maxWait.tv_sec = static_cast<time_t>(left.count() / 1000000);
            maxWait.tv_usec = static_cast<suseconds_t>(left.count() % 1000000);
            timeval wait{};
            const timeval* next = ares_timeout(channel_, &maxWait, &wait);
            const int waitMs = static_cast<int>(next->tv_sec * 1000 + next->tv_usec / 1000) + 1;
            if (poll(fds.data(), count, waitMs) <= 0) {
                ares_process_fd(channel_, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
                continue;
            }
            for (nfds_t i = 0; i < count; ++i) {
                const bool readable = (fds[i].revents & (POLLIN | POLLERR | POLLHUP)) != 0;
                const bool writable = (fds[i].revents & POLLOUT) != 0;
                ares_process_fd(channel_, readable ? fds[i].fd : ARES_SOCKET_BAD,
                                writable ? fds[i].fd : ARES_SOCKET_BAD);
            }
        }
    }

  private:
    ares_channel channel_ = nullptr;
};

struct AddressQueries {
    Query a;
    Query aaaa;
};

void sendAddressQueries(Channel& channel, const std::string& host, AddressQueries& queries) {
    channel.send(host, ns_t_a, queries.a);
    channel.send(host, ns_t_aaaa, queries.aaaa);
}

std::vector<std::string> addressesOf(const AddressQueries& queries) {
    std::vector<std::string> out;
    char text[INET6_ADDRSTRLEN];
    if (queries.a.outcome == Outcome::Records) {
        std::array<ares_addrttl, kMaxAddressesPerFamily> ttls{};
        int n = kMaxAddressesPerFamily;
        if (ares_parse_a_reply(queries.a.answer.data(), static_cast<int>(queries.a.answer.size()),
                               nullptr, ttls.data(), &n) == ARES_SUCCESS) {
            for (int i = 0; i < n; ++i) {
                out.emplace_back(inet_ntop(AF_INET, &ttls[i].ipaddr, text, sizeof text));
            }
        }
    }
    if (queries.aaaa.outcome == Outcome::Records) {
        std::array<ares_addr6ttl, kMaxAddressesPerFamily> ttls{};
        int n = kMaxAddressesPerFamily;
        if (ares_parse_aaaa_reply(queries.aaaa.answer.data(),
                                  static_cast<int>(queries.aaaa.answer.size()), nullptr,
                                  ttls.data(), &n) == ARES_SUCCESS) {
            for (int i = 0; i < n; ++i) {
                out.emplace_back(inet_ntop(AF_INET6, &ttls[i].ip6addr, text, sizeof text));
            }
        }
    }
    return out;
}

bool isAnswer(Outcome outcome) {
    return outcome == Outcome::Records || outcome == Outcome::NoData ||
           outcome == Outcome::NoSuchName;
}

bool eitherFailed(const AddressQueries& queries) {
    return !isAnswer(queries.a.outcome) || !isAnswer(queries.aaaa.outcome);
}

DomainResult unknown(std::string detail) {
    return DomainResult{DomainStatus::Unknown, {}, std::move(detail)};
}

DomainResult implicitExchanger(Channel& channel, const std::string& domain,
                               std::chrono::steady_clock::time_point deadline) {
    AddressQueries queries;
    sendAddressQueries(channel, domain, queries);
    channel.run(deadline);
    auto addresses = addressesOf(queries);
    if (!addresses.empty()) {
        return DomainResult{DomainStatus::ImplicitExchanger,
                            {Exchanger{domain, 0, std::move(addresses)}},
                            "Kein MX-Eintrag; die Domain selbst nimmt E-Mails an."};
    }
    if (eitherFailed(queries)) {
        return unknown("Die Adresse der Domain ist nicht abfragbar.");
    }
    return DomainResult{DomainStatus::NoMailHost, {}, "Die Domain hat keinen Mailserver."};
}

struct MxRecord {
    std::string host;
    int preference;
};

std::vector<MxRecord> parseMx(const Query& query) {
    std::vector<MxRecord> records;
    ares_mx_reply* reply = nullptr;
    if (ares_parse_mx_reply(query.answer.data(), static_cast<int>(query.answer.size()), &reply) !=
        ARES_SUCCESS) {
        return records;
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

DnsResolver::DnsResolver(std::vector<std::string> servers, std::chrono::milliseconds timeout)
    : timeout_(timeout) {
    for (const auto& server : servers) {
        if (!serversCsv_.empty()) {
            serversCsv_ += ',';
        }
        serversCsv_ += server;
    }
    Channel probe(serversCsv_, timeout_);  // reject a bad server list at start, not per check
}

DomainResult DnsResolver::lookUpMailDomain(const std::string& asciiDomain,
                                           std::chrono::steady_clock::time_point deadline) const {
    Channel channel(serversCsv_, timeout_);
    Query mx;
    channel.send(asciiDomain, ns_t_mx, mx);
    channel.run(deadline);
    switch (mx.outcome) {
        case Outcome::NoSuchName:
            return DomainResult{DomainStatus::NoSuchDomain, {}, "Die Domain existiert nicht."};
        case Outcome::TimedOut:
            return unknown("Der DNS-Server hat nicht rechtzeitig geantwortet.");
        case Outcome::Failed:
            return unknown("Der DNS-Server meldet einen Fehler.");
        case Outcome::NoData:
            return implicitExchanger(channel, asciiDomain, deadline);
        case Outcome::Records:
            break;
    }
    auto records = parseMx(mx);
    if (records.empty()) {
        return implicitExchanger(channel, asciiDomain, deadline);
    }
    if (isNullMx(records)) {
        return DomainResult{
            DomainStatus::NullMx, {}, "Die Domain nimmt keine E-Mails an (Null-MX)."};
    }
    std::erase_if(records, [](const MxRecord& r) { return r.host.empty() || r.host == "."; });
    if (records.size() > kMaxExchangers) {
        records.resize(kMaxExchangers);
    }
    std::vector<AddressQueries> queries(records.size());
    for (std::size_t i = 0; i < records.size(); ++i) {
        sendAddressQueries(channel, records[i].host, queries[i]);
    }
    channel.run(deadline);

    DomainResult result{DomainStatus::MailExchangers, {}, {}};
    bool failed = false;
    for (std::size_t i = 0; i < records.size(); ++i) {
        auto addresses = addressesOf(queries[i]);
        failed = failed || eitherFailed(queries[i]);
        if (!addresses.empty()) {
            result.exchangers.push_back(
                Exchanger{records[i].host, records[i].preference, std::move(addresses)});
        }
    }
    if (result.exchangers.empty()) {
        if (failed) {
            return unknown("Die Mailserver-Adressen sind nicht abfragbar.");
        }
        return DomainResult{
            DomainStatus::NoMailHost, {}, "Die Mailserver der Domain haben keine IP-Adresse."};
    }
    result.detail = std::to_string(result.exchangers.size()) + " Mailserver gefunden.";
    return result;
}

}  // namespace verinox::checkd
