#pragma once
// Puts a device control block onto an open terminal with termios: raw bytes
// both ways, rate, framing, flow control and the DTR and RTS lines.

#include "serial/DeviceControlBlock.h"

#include <termios.h>

namespace lumiq {

// Fills the framing, flow control, raw transfer and (for rates with a Bnnn
// constant) the speed of settings from the block; the rest of settings is
// kept. 0, or EINVAL for a setting termios has no form for (below).
int BuildTermios(const TComDcb& block, termios& settings);
// True when the block's rate needs termios2 (see Termios2Rate.h).
bool NeedsCustomRate(const TComDcb& block);

// 0, or the errno of the step that failed. A setting termios has no form for
// gives EINVAL before anything changes: 1.5 stop bits, DTR handshake, RTS
// toggle, DSR output flow, DSR sensitivity, dropping NUL bytes, and replacing
// bad bytes with anything but NUL (a byte with a parity error reads as NUL).
int ApplyDcbToTerminal(int fd, const TComDcb& block);

} // namespace lumiq
