#pragma once
// The fixed waits of the transaction engine, in milliseconds.

namespace lumiq {

inline constexpr int kSenderTickMs = 150;           // TimerRead while a transaction waits
inline constexpr int kReplyToNextSendMs = 30;       // UDP reply -> next query; 读参数
inline constexpr int kQueryButtonDelayMs = 50;      // a 查询 button -> its query
inline constexpr int kReadBackAfterDefaultMs = 2000; // confirmed factory default -> read all
inline constexpr int kSerialReceiveWindowMs = 300;  // TimerPortRes as created
inline constexpr int kMacSetReceiveWindowMs = 1800; // the module restarts after a MAC change
inline constexpr int kDipWatchMs = 4000;            // TimerOut as created
inline constexpr int kWriteAllStepPauseMs = 300;    // blocking pause between write-all steps

inline constexpr int kSerialReadMax = 1024;  // characters read in one receive window
inline constexpr int kMaxResends = 3;        // a query goes out at most four times

}  // namespace lumiq
