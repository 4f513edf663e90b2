#pragma once
// The fixed waits of the window's transaction engine, in milliseconds, beside
// the pace every tool keeps with a module (device/Exchange.h).

#include "device/Exchange.h"

namespace lumiq {

inline constexpr int kQueryButtonDelayMs = 50; // a 查询 button -> its query
inline constexpr int kDipWatchMs = 4000;       // TimerOut as created

} // namespace lumiq
