#pragma once

#include <chrono>
#include <functional>
#include <future>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace verinox::checkd {

// Results kept for a while under a key, at most maxEntries of them: a new result pushes out the
// least recently used one, in constant time. Concurrent requests for a key that is being computed
// wait for that one computation instead of starting their own.
template <class Value>
class ExpiringCache {
  public:
    using Clock = std::chrono::steady_clock;
    // The computation returns the value and how long it may be kept (zero: not at all).
    using Computation = std::function<std::pair<Value, Clock::duration>()>;

    explicit ExpiringCache(std::size_t maxEntries) : maxEntries_(maxEntries) {}

    // The kept value, if it has not expired; it becomes the most recently used.
    std::optional<Value> find(const std::string& key) {
        std::lock_guard lock(mutex_);
        return findLocked(key);
    }

    void store(const std::string& key, Value value, Clock::duration keep) {
        std::lock_guard lock(mutex_);
        storeLocked(key, std::move(value), keep);
    }

    Value getOrCompute(const std::string& key, const Computation& compute) {
        std::promise<Value> promise;
        std::shared_future<Value> pending;
        {
            std::lock_guard lock(mutex_);
            if (auto kept = findLocked(key)) {
                return *kept;
            }
            const auto running = pending_.find(key);
            if (running != pending_.end()) {
                pending = running->second;
            } else {
                pending_.emplace(key, promise.get_future().share());
            }
        }
        if (pending.valid()) {
            return pending.get();
        }
        try {
            auto [value, keep] = compute();
            {
                std::lock_guard lock(mutex_);
                pending_.erase(key);
                storeLocked(key, value, keep);
            }
            promise.set_value(value);
            return value;
        } catch (...) {
            {
                std::lock_guard lock(mutex_);
                pending_.erase(key);
            }
            promise.set_exception(std::current_exception());
            throw;
        }
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return index_.size();
    }

  private:
    struct Entry {
        std::string key;
        Value value;
        Clock::time_point expires;
    };
    using Order = std::list<Entry>;  // most recently used first

    std::optional<Value> findLocked(const std::string& key) {
        const auto found = index_.find(key);
        if (found == index_.end()) {
            return std::nullopt;
        }
        if (found->second->expires <= Clock::now()) {
            order_.erase(found->second);
            index_.erase(found);
            return std::nullopt;
        }
        order_.splice(order_.begin(), order_, found->second);
        return found->second->value;
    }

    void storeLocked(const std::string& key, Value value, Clock::duration keep) {
        if (const auto found = index_.find(key); found != index_.end()) {
            order_.erase(found->second);
            index_.erase(found);
        }
        if (keep <= Clock::duration::zero() || maxEntries_ == 0) {
            return;
        }
        if (index_.size() >= maxEntries_) {
            index_.erase(order_.back().key);
            order_.pop_back();
        }
        order_.push_front(Entry{key, std::move(value), Clock::now() + keep});
        index_.emplace(key, order_.begin());
    }

    std::size_t maxEntries_;
    mutable std::mutex mutex_;
    Order order_;
    std::unordered_map<std::string, typename Order::iterator> index_;
    std::unordered_map<std::string, std::shared_future<Value>> pending_;
};

}  // namespace verinox::checkd
