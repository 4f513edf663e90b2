#pragma once
// Hands work from a port's event thread to the main (Qt) thread: a queued
// call onto the main thread's event loop plus a wait the event thread blocks
// in. One piece of work at a time.
//
// Close runs on the main thread and waits for the event thread to end. Were it
// to wait only, a thread blocked in a hand-over would never end. So the main
// thread serves pending hand-overs itself while it waits (ServeUntilEnded).

#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>

class QObject;

namespace lumiq {

class ComHandover : public std::enable_shared_from_this<ComHandover> {
public:
    enum class Until {
        Run,   // the work has run (thread-synchronised delivery)
        Taken, // the main thread has started the work (window-style delivery)
    };

    // mainContext: an object of the main thread; its queued calls die with it.
    static std::shared_ptr<ComHandover> Create(QObject& mainContext);

    // Event thread. Blocks until the main thread has run (or taken) the work,
    // or until the main thread releases it in ServeUntilEnded. False when the
    // work threw (with Until::Run), or when it was released without running.
    bool RunOnMain(std::function<void()> work, Until until);

    // Main thread: runs the pending work, if any. Exceptions never leave it:
    // they go back to the waiting event thread.
    void ServePending();

    // Main thread, after the event thread was told to stop: serves hand-overs
    // until the event thread has ended. When called from inside a hand-over's
    // own work (a handler closing its port), the event thread would wait for
    // that work forever, so it is released first.
    void ServeUntilEnded();

    // Event thread: its last call.
    void MarkEnded();

    // For tests: waits until work is pending for the main thread.
    bool WaitUntilPending(std::chrono::milliseconds timeout);

private:
    explicit ComHandover(QObject& mainContext) : context_(&mainContext) {}

    QObject* context_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> pending_; // set while work waits for the main thread
    bool taken_ = false;
    bool finished_ = false;
    bool failed_ = false;
    int running_ = 0;       // the main thread is inside work (nested in a modal loop: > 1)
    bool released_ = false; // the event thread may leave its wait
    bool ended_ = false;
};

} // namespace lumiq
