#include "SmtpSlots.h"

namespace verinox::checkd {

SmtpSlots::SmtpSlots(std::size_t total, std::size_t perDomain)
    : total_(total), perDomain_(perDomain) {}

bool SmtpSlots::acquire(const std::string& domain, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    const bool free = freed_.wait_until(lock, deadline, [&] {
        const auto found = perDomainInUse_.find(domain);
        return inUse_ < total_ && (found == perDomainInUse_.end() || found->second < perDomain_);
    });
    if (free) {
        ++inUse_;
        ++perDomainInUse_[domain];
    }
    return free;
}

void SmtpSlots::release(const std::string& domain) {
    {
        std::lock_guard lock(mutex_);
        --inUse_;
        if (--perDomainInUse_[domain] == 0) {
            perDomainInUse_.erase(domain);
        }
    }
    freed_.notify_all();
}

}  // namespace verinox::checkd
