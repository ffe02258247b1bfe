#pragma once

// Boost 1.74's awaitable.hpp uses std::exchange without including <utility>.
#include <utility>

#include <boost/asio/awaitable.hpp>
#include <boost/asio/steady_timer.hpp>

#include <chrono>
#include <list>
#include <string>
#include <unordered_map>

namespace verinox::checkd {

// Bounds the SMTP sessions open at once, in all and per exchanger address, so that one slow
// exchanger cannot take every session and the service never floods one server, however its
// name or address is spelt. A check waiting for a slot holds no thread.
class SmtpSlots {
  public:
    SmtpSlots(std::size_t total, std::size_t perExchanger);

    // Holds a slot until it goes.
    class Slot {
      public:
        Slot() = default;
        Slot(SmtpSlots& owner, std::string key) : owner_(&owner), key_(std::move(key)) {}
        ~Slot() {
            if (owner_ != nullptr) {
                owner_->release(key_);
            }
        }
        Slot(Slot&& other) noexcept : owner_(other.owner_), key_(std::move(other.key_)) {
            other.owner_ = nullptr;
        }
        Slot& operator=(Slot&&) = delete;
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

        explicit operator bool() const { return owner_ != nullptr; }

      private:
        SmtpSlots* owner_ = nullptr;
        std::string key_;
    };

    // Waits for a free slot for the exchanger address until the deadline; an empty slot when
    // none came free.
    boost::asio::awaitable<Slot> acquire(std::string exchangerAddress,
                                         std::chrono::steady_clock::time_point deadline);

  private:
    struct Waiter {
        std::string key;
        boost::asio::steady_timer* wake;
        bool granted = false;
    };

    bool isFree(const std::string& key) const;
    void take(const std::string& key);
    void release(const std::string& key);

    std::size_t total_;
    std::size_t perExchanger_;
    std::size_t inUse_ = 0;
    std::unordered_map<std::string, std::size_t> perExchangerInUse_;
    std::list<Waiter*> waiting_;  // first come, first served among those that fit
};

}  // namespace verinox::checkd
