#pragma once
// Drives the engine or the search on the Qt loop: it hands them the time on
// a monotonic clock and arms one precise single-shot timer for their next
// wake. The first interrupt asks the work to stop gently and goes on until it
// has; a second one ends it at once. Every handler catches at its boundary; an
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
class ProgressLine;

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
    // Sends nothing new, lets what is under way end; by default, cancel().
    virtual void stop(fleet::Millis now) { cancel(now); }
    // "read: 12 of 256 modules done", for the progress line.
    virtual std::string progress() const = 0;
};

class WorkLoop {
public:
    explicit WorkLoop(Interrupt& interrupt) : interrupt_(interrupt) {}

    // Until the work is finished: false when an interrupt stopped or ended it.
    bool run(Work& work);
    // For receivers while run() runs: hands `feed` the time, then wakes the
    // work anew.
    void deliver(const std::function<void(fleet::Millis)>& feed);

private:
    void guarded(const std::function<void()>& step);
    void onInterrupt();
    void reschedule();

    Interrupt& interrupt_;
    Work* work_ = nullptr;
    QEventLoop* loop_ = nullptr;
    QTimer* wake_ = nullptr;
    ProgressLine* progress_ = nullptr;
    bool interrupted_ = false; // ended at once
    bool stopping_ = false;    // asked to stop gently
    std::exception_ptr failure_;
};

} // namespace lumiq::cli
