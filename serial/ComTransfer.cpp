#include "serial/ComTransfer.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <optional>

#include "serial/EComPort.h"

namespace lumiq {
namespace {

using Clock = std::chrono::steady_clock;
constexpr std::uint32_t kLargest = 0xFFFFFFFFu;

std::optional<Clock::time_point> TotalDeadline(std::uint32_t multiplier, std::uint32_t constant, int count) {
    if (multiplier == 0 && constant == 0)
        return std::nullopt;
    const auto ms = std::uint64_t{multiplier} * static_cast<std::uint64_t>(count) + constant;
    return Clock::now() + std::chrono::milliseconds(ms);
}

// Milliseconds left until the earlier of two deadlines, for poll: -1 for none.
int PollTimeout(std::optional<Clock::time_point> first, std::optional<Clock::time_point> second) {
    std::optional<Clock::time_point> until = first;
    if (second && (!until || *second < *until))
        until = second;
    if (!until)
        return -1;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(*until - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 1 << 30));
}

// Waits for the device to be ready; false when the time ran out. A hang-up
// without data left counts as ready: the next read or write reports it.
bool WaitReady(int fd, short events, int timeoutMs, int failureCode) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, timeoutMs);
        if (ready > 0)
            return true;
        if (ready == 0)
            return false;
        if (errno != EINTR)
            throw EComPort(failureCode, errno);
    }
}

} // namespace

int ReadWithTimeouts(int fd, char* buffer, int count, const ComTransferTimeouts& timeouts) {
    if (count <= 0)
        return 0;
    const bool atOnce = timeouts.ReadInterval == kLargest && timeouts.ReadTotalMultiplier == 0 &&
                        timeouts.ReadTotalConstant == 0;
    const bool firstByteEnds = timeouts.ReadInterval == kLargest &&
                               timeouts.ReadTotalMultiplier == kLargest && timeouts.ReadTotalConstant > 0 &&
                               timeouts.ReadTotalConstant < kLargest;
    const auto total = firstByteEnds
                           ? TotalDeadline(0, timeouts.ReadTotalConstant, count)
                           : TotalDeadline(timeouts.ReadTotalMultiplier, timeouts.ReadTotalConstant, count);
    const bool useInterval = timeouts.ReadInterval != 0 && timeouts.ReadInterval != kLargest;
    std::optional<Clock::time_point> gapEnd;
    int done = 0;
    for (;;) {
        const ssize_t got = ::read(fd, buffer + done, static_cast<std::size_t>(count - done));
        if (got > 0) {
            done += static_cast<int>(got);
            if (done == count || firstByteEnds)
                return done;
            if (useInterval)
                gapEnd = Clock::now() + std::chrono::milliseconds(timeouts.ReadInterval);
            continue;
        }
        if (got == 0)
            throw EComPort(kComReadFailed, EIO); // end of file: the other end is gone
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            throw EComPort(kComReadFailed, errno);
        if (atOnce)
            return done;
        const int waitMs = PollTimeout(total, gapEnd);
        if (waitMs == 0 || !WaitReady(fd, POLLIN, waitMs, kComReadFailed))
            return done;
    }
}

int WriteWithTimeouts(int fd, const char* data, int count, const ComTransferTimeouts& timeouts) {
    if (count <= 0)
        return 0;
    const auto total = TotalDeadline(timeouts.WriteTotalMultiplier, timeouts.WriteTotalConstant, count);
    int done = 0;
    for (;;) {
        const ssize_t put = ::write(fd, data + done, static_cast<std::size_t>(count - done));
        if (put > 0) {
            done += static_cast<int>(put);
            if (done == count)
                return done;
            continue;
        }
        if (put == 0)
            throw EComPort(kComWriteFailed, EIO); // a terminal that takes nothing is broken
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            throw EComPort(kComWriteFailed, errno);
        const int waitMs = PollTimeout(total, std::nullopt);
        if (waitMs == 0 || !WaitReady(fd, POLLOUT, waitMs, kComWriteFailed))
            return done;
    }
}

} // namespace lumiq
