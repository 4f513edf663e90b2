#pragma once
// How an exchange with a module goes: what answers a set, how often a frame
// is resent, and the pace a module keeps up with.

#include <string_view>

namespace lumiq {

// A set, the link test and the factory default are answered "OK"; a module
// refuses a set with "ERROR". A query is answered with its keyword.
inline constexpr std::string_view kOkReply = "OK";
inline constexpr std::string_view kErrorReply = "ERROR";

inline constexpr int kMaxResends = 3;       // a frame goes out at most four times
inline constexpr int kSerialReadMax = 1024; // characters read at the end of a receive window

// Milliseconds.
inline constexpr int kReplyToNextSendMs = 30;        // a query's reply -> the next query or a resend
inline constexpr int kSetPaceMs = 300;               // a set's reply -> the next set
inline constexpr int kSenderTickMs = 150;            // a serial reply -> the next frame
inline constexpr int kReadBackAfterDefaultMs = 2000; // a confirmed factory default -> reading it back
inline constexpr int kSerialReceiveWindowMs = 300;   // a serial reply is read at the end of this window
inline constexpr int kMacSetReceiveWindowMs = 1800;  // the module restarts after a MAC change

} // namespace lumiq
