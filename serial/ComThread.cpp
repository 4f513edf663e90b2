#include "serial/ComThread.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <system_error>

#include "serial/ComErrorReport.h"
#include "serial/ComHandover.h"
#include "serial/ComPort.h"
#include "serial/LineCounters.h"

namespace lumiq {
namespace {

// The order in which a batch reaches the handlers, whatever order the device
// reported it in.
constexpr std::array<TComEvent, 10> kDispatchOrder = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                                      evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};

constexpr int kOutputRecheckMs = 20;
constexpr int kLineRecheckMs = 50;

void Signal(int eventFd) {
    const std::uint64_t one = 1;
    // Cannot fail short of a counter overflow, which still leaves it readable.
    [[maybe_unused]] ssize_t written = ::write(eventFd, &one, sizeof one);
}

void Drain(int eventFd) {
    std::uint64_t count = 0;
    [[maybe_unused]] ssize_t got = ::read(eventFd, &count, sizeof count);
}

// Linux threads have their own nice value; raising it above normal needs
// privileges, and lacking them the thread simply runs at normal priority.
void ApplyPriority(TThreadPriority priority) {
    static constexpr std::array<int, 7> kNice = {19, 10, 5, 0, -5, -10, -15};
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), kNice.at(static_cast<std::size_t>(priority)));
}

// Modem-line changes, breaks and line errors, from whichever record the
// driver keeps; nothing for a pseudo-terminal.
class LineWatch {
public:
    LineWatch(int fd, TComEvents watched) : fd_(fd) {
        const TComEvents lineEvents{evCTS, evDSR, evRLSD, evRing, evBreak, evError};
        if ((watched & lineEvents).empty())
            return;
        useCounters_ = ReadLineCounters(fd_, counters_) == 0;
        useLines_ = !useCounters_ && ReadModemLines(fd_, lines_) == 0;
    }
    bool Active() const { return useCounters_ || useLines_; }

    TComEvents Changes() {
        if (useCounters_) {
            LineCounterSet now{};
            if (ReadLineCounters(fd_, now) != 0)
                return {};
            const TComEvents events = EventsBetween(counters_, now);
            counters_ = now;
            return events;
        }
        int now = 0;
        if (!useLines_ || ReadModemLines(fd_, now) != 0)
            return {};
        const TComEvents events = EventsBetween(lines_, now);
        lines_ = now;
        return events;
    }

private:
    int fd_;
    bool useCounters_ = false;
    bool useLines_ = false;
    LineCounterSet counters_{};
    int lines_ = 0;
};

int CheckedEventFd(int fd) {
    if (fd < 0)
        throw std::system_error(errno, std::generic_category(), "eventfd");
    return fd;
}

} // namespace

TComThread::TComThread(TCustomComPort& port)
    : port_(port), deviceFd_(port.DeviceFd()), watched_(port.Events()), syncMethod_(port.SyncMethod()),
      priority_(port.EventThreadPriority()), handover_(ComHandover::Create(port)) {
    stopFd_ = CheckedEventFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    try {
        kickFd_ = CheckedEventFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
        worker_ = std::thread(&TComThread::Execute, this);
    } catch (...) {
        ::close(stopFd_);
        if (kickFd_ >= 0)
            ::close(kickFd_);
        throw;
    }
}

TComThread::~TComThread() {
    Stop();
    handover_->ServeUntilEnded();
    worker_.join();
    ::close(stopFd_);
    ::close(kickFd_);
}

void TComThread::Stop() {
    Signal(stopFd_);
}

void TComThread::NoteWriteDone() {
    writeDone_ = true;
    Signal(kickFd_);
}

void TComThread::InjectEvents(TComEvents events) {
    injected_ |= events.bits();
    Signal(kickFd_);
}

bool TComThread::WaitForPendingHandover(std::chrono::milliseconds timeout) {
    return handover_->WaitUntilPending(timeout);
}

void TComThread::Execute() noexcept {
    ApplyPriority(priority_);
    const int poller = ::epoll_create1(EPOLL_CLOEXEC);
    bool watching = poller >= 0;
    for (auto [fd, events] :
         {std::pair{deviceFd_, EPOLLIN | EPOLLET}, {stopFd_, EPOLLIN}, {kickFd_, EPOLLIN}}) {
        epoll_event entry{};
        entry.events = static_cast<std::uint32_t>(events);
        entry.data.fd = fd;
        watching = watching && ::epoll_ctl(poller, EPOLL_CTL_ADD, fd, &entry) == 0;
    }
    LineWatch lines(deviceFd_, watched_);
    bool outputQueued = false;
    bool inputHigh = false;
    while (watching) {
        int timeoutMs = lines.Active() ? kLineRecheckMs : -1;
        if (outputQueued)
            timeoutMs = kOutputRecheckMs;
        std::array<epoll_event, 3> ready{};
        const int count = ::epoll_wait(poller, ready.data(), static_cast<int>(ready.size()), timeoutMs);
        ++wakeUps_;
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
            break; // a failed wait ends the thread like a stop
        std::uint32_t deviceEvents = 0;
        bool stop = false;
        for (int i = 0; i < count; ++i) {
            if (ready[i].data.fd == stopFd_)
                stop = true;
            else if (ready[i].data.fd == kickFd_)
                Drain(kickFd_);
            else
                deviceEvents |= ready[i].events;
        }
        if (stop)
            break;

        TComEvents batch = TComEvents::FromBits(injected_.exchange(0));
        bool lost = (deviceEvents & (EPOLLHUP | EPOLLERR)) != 0;
        if (!lost && (deviceEvents & EPOLLIN) != 0) {
            int queued = 0;
            if (::ioctl(deviceFd_, FIONREAD, &queued) != 0) {
                lost = errno == EIO;
            } else if (queued > 0) {
                batch.insert(evRxChar);
                const int highMark = port_.AppliedInputSize() * 8 / 10;
                if (queued >= highMark && !inputHigh)
                    batch.insert(evRx80Full);
                inputHigh = queued >= highMark;
            }
        }
        if (writeDone_.exchange(false))
            outputQueued = true;
        if (outputQueued && !lost) {
            int unsent = 0;
            if (::ioctl(deviceFd_, TIOCOUTQ, &unsent) != 0)
                lost = errno == EIO;
            if (lost || unsent == 0)
                outputQueued = false;
            if (!lost && unsent == 0)
                batch.insert(evTxEmpty);
        }
        if (!lost)
            batch |= lines.Changes();
        if (lost) {
            port_.NoteLineErrors({ceIO});
            batch.insert(evError);
        }
        batch = batch & watched_;
        if (!batch.empty() && !DispatchComMsg(batch))
            break;
        if (lost)
            break; // the device is gone: reported once, nothing more to watch
    }
    if (poller >= 0)
        ::close(poller);
    ::tcflush(deviceFd_, TCIOFLUSH);
    finished_ = true;
    handover_->MarkEnded();
}

bool TComThread::DispatchComMsg(TComEvents events) {
    switch (syncMethod_) {
    case smThreadSync:
        return handover_->RunOnMain([&port = port_, events] { DoEvents(port, events); },
                                    ComHandover::Until::Run);
    case smWindowSync:
        SendEvents(events);
        return true;
    case smNone:
        try {
            DoEvents(port_, events);
            return true;
        } catch (...) {
            return false; // as with smThreadSync: a raising handler ends the thread
        }
    }
    return false;
}

void TComThread::SendEvents(TComEvents events) {
    for (TComEvent event : kDispatchOrder) {
        if (!events.contains(event))
            continue;
        auto deliver = [&port = port_, event] {
            if (!port.Connected())
                return;
            try {
                CallEvent(port, event);
            } catch (const std::exception& error) {
                ReportComError(error.what());
            } catch (...) {
                ReportComError("unknown exception");
            }
        };
        if (!handover_->RunOnMain(deliver, ComHandover::Until::Taken))
            return;
    }
}

void TComThread::DoEvents(TCustomComPort& port, TComEvents events) {
    for (TComEvent event : kDispatchOrder) {
        if (!port.Connected())
            return;
        if (events.contains(event))
            CallEvent(port, event);
    }
}

void TComThread::CallEvent(TCustomComPort& port, TComEvent event) {
    switch (event) {
    case evError:
        port.CallError();
        break;
    case evRxChar:
        port.CallRxChar();
        break;
    case evTxEmpty:
        port.CallTxEmpty();
        break;
    case evBreak:
        port.CallBreak();
        break;
    case evRing:
        port.CallRing();
        break;
    case evCTS:
        port.CallCTSChange();
        break;
    case evDSR:
        port.CallDSRChange();
        break;
    case evRxFlag:
        port.CallRxFlag();
        break;
    case evRLSD:
        port.CallRLSDChange();
        break;
    case evRx80Full:
        port.CallRx80Full();
        break;
    }
}

} // namespace lumiq
