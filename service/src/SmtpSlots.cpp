#include "SmtpSlots.h"

#include <boost/asio/redirect_error.hpp>
#include <boost/asio/this_coro.hpp>
#include <boost/asio/use_awaitable.hpp>

namespace verinox::checkd {

namespace asio = boost::asio;

SmtpSlots::SmtpSlots(std::size_t total, std::size_t perExchanger)
    : total_(total), perExchanger_(perExchanger) {}

bool SmtpSlots::isFree(const std::string& key) const {
    const auto found = perExchangerInUse_.find(key);
    return inUse_ < total_ && (found == perExchangerInUse_.end() || found->second < perExchanger_);
}

void SmtpSlots::take(const std::string& key) {
    ++inUse_;
    ++perExchangerInUse_[key];
}

asio::awaitable<SmtpSlots::Slot> SmtpSlots::acquire(
    std::string exchangerAddress, std::chrono::steady_clock::time_point deadline) {
    if (waiting_.empty() && isFree(exchangerAddress)) {
        take(exchangerAddress);
        co_return Slot(*this, std::move(exchangerAddress));
    }
    asio::steady_timer wake(co_await asio::this_coro::executor, deadline);
    Waiter waiter{exchangerAddress, &wake};
    // Leaves the queue however the wait ends, also when the waiting check is dropped.
    struct Listed {
        std::list<Waiter*>& queue;
        std::list<Waiter*>::iterator place;
        const Waiter& waiter;
        ~Listed() {
            if (!waiter.granted) {
                queue.erase(place);
            }
        }
    } listed{waiting_, waiting_.insert(waiting_.end(), &waiter), waiter};
    boost::system::error_code ec;
    co_await wake.async_wait(asio::redirect_error(asio::use_awaitable, ec));
    if (!waiter.granted) {
        co_return Slot();
    }
    co_return Slot(*this, std::move(exchangerAddress));
}

void SmtpSlots::release(const std::string& key) {
    --inUse_;
    if (--perExchangerInUse_[key] == 0) {
        perExchangerInUse_.erase(key);
    }
    for (auto it = waiting_.begin(); it != waiting_.end(); ++it) {
        if (isFree((*it)->key)) {
            Waiter* waiter = *it;
            waiting_.erase(it);
            take(waiter->key);
            waiter->granted = true;
            waiter->wake->cancel();
            return;
        }
    }
}

}  // namespace verinox::checkd
