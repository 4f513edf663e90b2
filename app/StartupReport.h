#pragma once
// A start-up figure for benchmarks: with LUMIQ_STARTUP_REPORT=<file> set,
// once the main window has been painted for the first time the program
// appends one line to that file:
//   shown_monotonic_ns=<CLOCK_MONOTONIC when the first paint was done> vmhwm_kb=<peak resident memory so far>
// A benchmark that notes the clock before starting the program gets the time
// from start to a shown window. Without the variable nothing happens.

class QWidget;

namespace lumiq {

// Call before the window is shown, so that its first paint is seen.
void InstallStartupReport(QWidget& window);

} // namespace lumiq
