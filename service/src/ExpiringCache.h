#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace verinox::checkd {

// Results kept for a while under a key. Concurrent requests for a key that is being computed wait
// for that one computation instead of starting their own.
template <class Value>
class ExpiringCache {
  public:
    using Clock = std::chrono::steady_clock;
    // The computation returns the value and how long it may be kept (zero: not at all).
    using Computation = std::function<std::pair<Value, Clock::duration>()>;

    explicit ExpiringCache(std::size_t maxEntries) : maxEntries_(maxEntries) {}

    Value getOrCompute(const std::string& key, const Computation& compute) {
        std::promise<Value> promise;
        std::shared_future<Value> pending;
        {
            std::lock_guard lock(mutex_);
            const auto found = entries_.find(key);
            if (found != entries_.end() &&
                (!found->second.ready || found->second.expires > Clock::now())) {
                pending = found->second.value;
            } else {
                if (entries_.size() >= maxEntries_) {
                    dropExpired();
                }
                entries_.insert_or_assign(key, Entry{promise.get_future().share(), {}, false});
            }
        }
        if (pending.valid()) {
            return pending.get();
        }
        try {
            auto [value, keep] = compute();
            {
                std::lock_guard lock(mutex_);
                if (keep > Clock::duration::zero() && entries_.size() <= maxEntries_) {
                    auto& entry = entries_.at(key);
                    entry.expires = Clock::now() + keep;
                    entry.ready = true;
                } else {
                    entries_.erase(key);
                }
            }
            promise.set_value(value);
            return value;
        } catch (...) {
            {
                std::lock_guard lock(mutex_);
                entries_.erase(key);
            }
            promise.set_exception(std::current_exception());
            throw;
        }
    }

  private:
    struct Entry {
        std::shared_future<Value> value;
        Clock::time_point expires;
        bool ready;
    };

    void dropExpired() {
        const auto now = Clock::now();
        std::erase_if(entries_, [&](const auto& item) {
            return item.second.ready && item.second.expires <= now;
        });
    }

    std::size_t maxEntries_;
    std::mutex mutex_;
    std::unordered_map<std::string, Entry> entries_;
};

}  // namespace verinox::checkd
