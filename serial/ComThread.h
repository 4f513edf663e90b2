#pragma once
// TComThread: while a port is open with events, waits on a thread of its own
// for line events and hands each batch to the port's handlers, in a fixed
// order (errors first, then received characters, ...), the way the port's
// SyncMethod says.
//
// How it waits without spinning: the device is watched edge-triggered
// (epoll, EPOLLET), so the thread wakes when new bytes arrive, not as long as
// bytes lie unread; bytes the handlers leave in the queue do not wake it
// again, and the next arrival reports the grown count. An eventfd wakes it
// to stop, another after each write, to look for an empty output queue (timed
// re-checks, every 20 ms, only while output is still queued). Where the driver
// keeps line counters or modem lines, they are compared every 50 ms; a
// pseudo-terminal keeps neither and costs nothing while idle. A hang-up
// (POLLHUP/POLLERR, or EIO) is reported once as a line error (ceIO), and the
// thread stops watching and ends.
//
// Created and destroyed on the main thread, by the port's Open and Close.

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

#include "serial/ComTypes.h"

namespace lumiq {

class TCustomComPort;
class ComHandover;

class TComThread {
public:
    // Starts the thread. The port must be open and outlive this object.
    explicit TComThread(TCustomComPort& port);
    // Stop, then waits for the thread to end while serving its hand-overs to
    // the main thread; a thread blocked in a hand-over therefore always ends.
    ~TComThread();
    TComThread(const TComThread&) = delete;
    TComThread& operator=(const TComThread&) = delete;

    // Tells the thread to end. Returns at once. Any thread.
    void Stop();
    // Main thread, after a write: look for the output queue running empty.
    void NoteWriteDone();
    bool IsCurrentThread() const { return std::this_thread::get_id() == worker_.get_id(); }
    bool Finished() const { return finished_.load(); }
    // How often the thread woke up; a measure against busy waiting.
    std::uint64_t WakeUps() const { return wakeUps_.load(); }

    // Test seams: make the next batch carry these events as if the driver
    // had reported them; wait until a batch waits for the main thread.
    void InjectEvents(TComEvents events);
    bool WaitForPendingHandover(std::chrono::milliseconds timeout);

    // Runs one batch on the port in the fixed order; stops early once the
    // port is closed (a handler may close it).
    static void DoEvents(TCustomComPort& port, TComEvents events);

private:
    void Execute() noexcept;
    // False when the thread should end (a handler raised).
    bool DispatchComMsg(TComEvents events);
    void SendEvents(TComEvents events);
    static void CallEvent(TCustomComPort& port, TComEvent event);

    TCustomComPort& port_;
    const int deviceFd_;
    const TComEvents watched_;
    const TSyncMethod syncMethod_;
    const TThreadPriority priority_;
    std::shared_ptr<ComHandover> handover_;
    int stopFd_ = -1;
    int kickFd_ = -1;
    std::atomic<bool> writeDone_{false};
    std::atomic<std::uint32_t> injected_{0};
    std::atomic<bool> finished_{false};
    std::atomic<std::uint64_t> wakeUps_{0};
    std::thread worker_;
};

} // namespace lumiq
