#pragma once

#include <chrono>
#include <list>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

namespace verinox::checkd {

// Results kept for a while under a key, at most maxEntries of them: a new result pushes out the
// least recently used one, in constant time. Used from the event loop's thread only.
template <class Value>
class ExpiringCache {
  public:
    using Clock = std::chrono::steady_clock;

    explicit ExpiringCache(std::size_t maxEntries) : maxEntries_(maxEntries) {}

    // The kept value, if it has not expired; it becomes the most recently used.
    std::optional<Value> find(const std::string& key) {
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

    // Keeps the value for the given time; zero keeps nothing (and drops an older value).
    void store(const std::string& key, Value value, Clock::duration keep) {
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

    std::size_t size() const { return index_.size(); }

  private:
    struct Entry {
        std::string key;
        Value value;
        Clock::time_point expires;
    };
    using Order = std::list<Entry>;  // most recently used first

    std::size_t maxEntries_;
    Order order_;
    std::unordered_map<std::string, typename Order::iterator> index_;
};

}  // namespace verinox::checkd
