#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <unordered_map>

namespace verinox::checkd {

// Bounds the SMTP sessions open at once, in all and per domain, so that one domain's slow
// exchangers cannot take every session and the service never floods one server.
class SmtpSlots {
  public:
    SmtpSlots(std::size_t total, std::size_t perDomain);

    class Slot {
      public:
        Slot(SmtpSlots& owner, std::string domain) : owner_(&owner), domain_(std::move(domain)) {}
        ~Slot() { owner_->release(domain_); }
        Slot(const Slot&) = delete;
        Slot& operator=(const Slot&) = delete;

      private:
        SmtpSlots* owner_;
        std::string domain_;
    };

    // Waits for a free slot until the deadline; false when none came free.
    bool acquire(const std::string& domain, std::chrono::steady_clock::time_point deadline);
    void release(const std::string& domain);

  private:
    std::size_t total_;
    std::size_t perDomain_;
    std::size_t inUse_ = 0;
    std::unordered_map<std::string, std::size_t> perDomainInUse_;
    std::mutex mutex_;
    std::condition_variable freed_;
};

}  // namespace verinox::checkd
