#pragma once
// Pseudo-terminals carry bytes, not bits on a wire: the kernel forces 8 data
// bits without parity on them (pty_set_termios). glibc's tcsetattr reads the
// settings back and reports EINVAL when the driver did not take them all, so
// any other framing would fail on a pty although it has no meaning there.
// Virtual ports (the module simulator, tests) are ptys, so we ask a pty only
// for the framing it keeps; every other setting goes to it unchanged.

#include <termios.h>

namespace lumiq {

bool IsPseudoTerminal(int fd);
// Replaces the data size and parity with what a pty keeps (CS8, no parity).
void KeepPtyFraming(termios& settings);

} // namespace lumiq
