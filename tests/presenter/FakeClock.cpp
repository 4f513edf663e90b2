#include "tests/presenter/FakeClock.h"

#include <algorithm>

namespace lumiq::test {

FakeTimer::FakeTimer(FakeClock& clock, std::string timerName) : name(std::move(timerName)), clock_(clock) {
    clock_.attach(*this);
}

void FakeTimer::restart() {
    due_ = clock_.now() + interval_;
    armedOrder_ = clock_.nextOrder();
}

void FakeTimer::setInterval(int ms) {
    interval_ = ms;
    if (enabled_)
        restart();
}

void FakeTimer::setEnabled(bool enabled) {
    if (enabled && !enabled_) {
        enabled_ = true;
        restart();
    } else if (!enabled) {
        enabled_ = false;
    }
}

void FakeClock::schedule(long at, std::function<void()> action) {
    deliveries_.push_back({at, nextOrder(), std::move(action)});
}

void FakeClock::advance(long ms) {
    const long target = now_ + ms;
    for (;;) {
        FakeTimer* timer = nullptr;
        for (FakeTimer* candidate : timers_) {
            if (!candidate->enabled_)
                continue;
            if (timer == nullptr || candidate->due_ < timer->due_ ||
                (candidate->due_ == timer->due_ && candidate->armedOrder_ < timer->armedOrder_)) {
                timer = candidate;
            }
        }
        auto delivery =
            std::min_element(deliveries_.begin(), deliveries_.end(), [](const auto& a, const auto& b) {
                return a.at < b.at || (a.at == b.at && a.order < b.order);
            });
        const bool timerFirst =
            timer != nullptr && (delivery == deliveries_.end() || timer->due_ < delivery->at ||
                                 (timer->due_ == delivery->at && timer->armedOrder_ < delivery->order));
        if (timerFirst) {
            if (timer->due_ > target)
                break;
            now_ = std::max(now_, timer->due_);
            timer->restart();
            if (timer->onTick)
                timer->onTick();
        } else {
            if (delivery == deliveries_.end() || delivery->at > target)
                break;
            now_ = std::max(now_, delivery->at);
            const std::function<void()> action = std::move(delivery->action);
            deliveries_.erase(delivery);
            action();
        }
    }
    now_ = std::max(now_, target);
}

bool FakeClock::advanceUntil(const std::function<bool()>& done, long limitMs) {
    const long end = now_ + limitMs;
    while (!done() && now_ < end)
        advance(1);
    return done();
}

} // namespace lumiq::test
