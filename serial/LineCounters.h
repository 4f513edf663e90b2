#pragma once
// The driver's own record of line events: counters of modem-line changes,
// breaks and line errors (TIOCGICOUNT) and the modem lines (TIOCMGET). Many
// drivers keep both; a pseudo-terminal keeps neither.

#include <linux/serial.h>

#include "serial/ComTypes.h"

namespace lumiq {

using LineCounterSet = serial_icounter_struct;

// 0, or errno. IsUnsupported tells "this driver has no such record" apart
// from a failure.
int ReadLineCounters(int fd, LineCounterSet& counters);
int ReadModemLines(int fd, int& lines); // TIOCM_* bits
bool IsUnsupported(int error);

// What the counters say happened between two readings.
TComErrors ErrorsBetween(const LineCounterSet& before, const LineCounterSet& after);
TComEvents EventsBetween(const LineCounterSet& before, const LineCounterSet& after);
// Line changes between two modem-line readings (ring: the ring line came on).
TComEvents EventsBetween(int linesBefore, int linesAfter);

TComSignals SignalsOf(int lines);

} // namespace lumiq
