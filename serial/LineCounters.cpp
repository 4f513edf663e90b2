#include "serial/LineCounters.h"

#include <sys/ioctl.h>

#include <cerrno>

namespace lumiq {

int ReadLineCounters(int fd, LineCounterSet& counters) {
    return ::ioctl(fd, TIOCGICOUNT, &counters) == 0 ? 0 : errno;
}

int ReadModemLines(int fd, int& lines) {
    return ::ioctl(fd, TIOCMGET, &lines) == 0 ? 0 : errno;
}

bool IsUnsupported(int error) {
    return error == ENOTTY || error == EINVAL;
}

TComErrors ErrorsBetween(const LineCounterSet& before, const LineCounterSet& after) {
    TComErrors errors;
    if (after.frame != before.frame)
        errors.insert(ceFrame);
    if (after.parity != before.parity)
        errors.insert(ceRxParity);
    if (after.overrun != before.overrun)
        errors.insert(ceOverrun);
    if (after.buf_overrun != before.buf_overrun)
        errors.insert(ceRxOver);
    if (after.brk != before.brk)
        errors.insert(ceBreak);
    return errors;
}

TComEvents EventsBetween(const LineCounterSet& before, const LineCounterSet& after) {
    TComEvents events;
    if (!(ErrorsBetween(before, after) & TComErrors{ceFrame, ceRxParity, ceOverrun, ceRxOver}).empty())
        events.insert(evError);
    if (after.brk != before.brk)
        events.insert(evBreak);
    if (after.rng != before.rng)
        events.insert(evRing);
    if (after.cts != before.cts)
        events.insert(evCTS);
    if (after.dsr != before.dsr)
        events.insert(evDSR);
    if (after.dcd != before.dcd)
        events.insert(evRLSD);
    return events;
}

TComEvents EventsBetween(int linesBefore, int linesAfter) {
    const int changed = linesBefore ^ linesAfter;
    TComEvents events;
    if ((changed & TIOCM_CTS) != 0)
        events.insert(evCTS);
    if ((changed & TIOCM_DSR) != 0)
        events.insert(evDSR);
    if ((changed & TIOCM_CAR) != 0)
        events.insert(evRLSD);
    if ((changed & linesAfter & TIOCM_RNG) != 0)
        events.insert(evRing);
    return events;
}

TComSignals SignalsOf(int lines) {
    TComSignals signals;
    if ((lines & TIOCM_CTS) != 0)
        signals.insert(csCTS);
    if ((lines & TIOCM_DSR) != 0)
        signals.insert(csDSR);
    if ((lines & TIOCM_RNG) != 0)
        signals.insert(csRing);
    if ((lines & TIOCM_CAR) != 0)
        signals.insert(csRLSD);
    return signals;
}

} // namespace lumiq
