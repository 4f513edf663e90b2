#pragma once
// Fake time for the presenter tests. Timers and scheduled deliveries fire in
// time order when the test advances the clock; nothing ever sleeps.
//
// Timer semantics (those of a window timer):
//  - enabling a disabled timer starts its count from now; enabling an
//    enabled one changes nothing;
//  - a new interval while enabled restarts the count from now;
//  - a fired timer stays enabled and counts its interval again, unless its
//    handler changes that;
//  - equal due times fire in the order they were armed.
// A pause (the blocking 300 ms of the write-all chain) moves time on without
// firing anything: overdue timers fire as soon as the clock is advanced again.

#include <functional>
#include <string>
#include <vector>

#include "presenter/ControllerPorts.h"

namespace lumiq::test {

class FakeClock;

class FakeTimer : public EngineTimer {
public:
    FakeTimer(FakeClock& clock, std::string name);
    void setInterval(int ms) override;
    int interval() const override { return interval_; }
    void setEnabled(bool enabled) override;
    bool enabled() const override { return enabled_; }

    std::function<void()> onTick;
    const std::string name;

private:
    friend class FakeClock;
    void restart();

    FakeClock& clock_;
    int interval_ = 0;
    bool enabled_ = false;
    long due_ = 0;
    long armedOrder_ = 0;
};

class FakeClock {
public:
    long now() const { return now_; }
    // Fires every timer and delivery due up to now + ms, in time order.
    void advance(long ms);
    // Advances in steps until `done` holds or `limitMs` has passed; returns `done()`.
    bool advanceUntil(const std::function<bool()>& done, long limitMs);
    // The blocking pause: time passes, nothing fires.
    void pause(long ms) { now_ += ms; }
    void schedule(long at, std::function<void()> action);

private:
    friend class FakeTimer;
    void attach(FakeTimer& timer) { timers_.push_back(&timer); }
    long nextOrder() { return ++order_; }

    struct Delivery {
        long at;
        long order;
        std::function<void()> action;
    };
    long now_ = 0;
    long order_ = 0;
    std::vector<FakeTimer*> timers_;
    std::vector<Delivery> deliveries_;
};

} // namespace lumiq::test
