#pragma once
// Drives the engine or the search on the Qt loop: it hands them the time on
// a monotonic clock, arms one precise single-shot timer for their next wake,
// and ends at once on Ctrl+C. Every handler catches at its boundary; an
// error inside ends the run and is thrown again once the loop has returned.

#include <exception>
#include <functional>
#include <optional>
#include <string>

#include "fleet/FleetPorts.h"

class QEventLoop;
class QTimer;

namespace lumiq::cli {

class Interrupt;

// Milliseconds of std::chrono::steady_clock.
fleet::Millis Now();

class Work {
public:
    virtual ~Work() = default;
    virtual void start(fleet::Millis now) = 0;
    virtual void advance(fleet::Millis now) = 0;
    virtual std::optional<fleet::Millis> nextWake() const = 0;
    virtual bool finished() const = 0;
    virtual void cancel(fleet::Millis now) = 0;
    // "read: 12 of 256 modules done", for the progress line.
    virtual std::string progress() const = 0;
};

class WorkLoop {
public:
    explicit WorkLoop(Interrupt& interrupt) : interrupt_(interrupt) {}

    // Until the work is finished, or Ctrl+C cancels it: then false.
    bool run(Work& work);
    // For receivers while run() runs: hands `feed` the time, then wakes the
    // work anew.
    void deliver(const std::function<void(fleet::Millis)>& feed);

private:
    void guarded(const std::function<void()>& step);
    void reschedule();

    Interrupt& interrupt_;
    Work* work_ = nullptr;
    QEventLoop* loop_ = nullptr;
    QTimer* wake_ = nullptr;
    bool interrupted_ = false;
    std::exception_ptr failure_;
};

}  // namespace lumiq::cli
