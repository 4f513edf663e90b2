#pragma once
// Socket failures are reported with the Windows Sockets error numbers the
// error texts are keyed by, so that every text stays reachable on Linux.

#include <string>

namespace lumiq {

// The numbers the component itself tests for.
inline constexpr int kWsaWouldBlock = 10035; // also a non-blocking connect under way
inline constexpr int kWsaMessageSize = 10040;
inline constexpr int kWsaAddressInUse = 10048;

// The Windows Sockets number for an errno value. An errno with no Windows
// Sockets counterpart is returned as it is (all such values lie below 10000,
// so they read as "未知错误").
int WinsockErrorFromErrno(int errnoValue);

// The text of a Windows Sockets number; "未知错误" for every number without one.
std::string WinsockErrorText(int code);

} // namespace lumiq
