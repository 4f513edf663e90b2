#pragma once
// The port's line settings gathered into one record, laid out like the
// Windows device control block (same fields, same flag values), so that the
// settings-to-line rules live in one place, apart from termios.

#include <cstdint>

#include "serial/ComTypes.h"

namespace lumiq {

class TCustomComPort;

namespace dcb {
constexpr std::uint32_t kBinary = 1;
constexpr std::uint32_t kParityCheck = 2;
constexpr std::uint32_t kOutCtsFlow = 4;
constexpr std::uint32_t kOutDsrFlow = 8;
constexpr std::uint32_t kDtrEnable = 16;
constexpr std::uint32_t kDtrHandshake = 32;
constexpr std::uint32_t kDtrMask = 48;
constexpr std::uint32_t kDsrSensitivity = 64;
constexpr std::uint32_t kTxContinueOnXoff = 128;
constexpr std::uint32_t kOutX = 256;
constexpr std::uint32_t kInX = 512;
constexpr std::uint32_t kErrorChar = 1024;
constexpr std::uint32_t kDiscardNull = 2048;
constexpr std::uint32_t kRtsEnable = 4096;
constexpr std::uint32_t kRtsHandshake = 8192;
constexpr std::uint32_t kRtsToggle = 12288;
constexpr std::uint32_t kRtsMask = 12288;
} // namespace dcb

struct TComDcb {
    std::uint32_t BaudRate = 0;
    std::uint32_t Flags = 0;
    std::uint16_t XonLim = 0;
    std::uint16_t XoffLim = 0;
    std::uint8_t ByteSize = 0; // 5 to 8
    std::uint8_t Parity = 0;   // 0 none, 1 odd, 2 even, 3 mark, 4 space
    std::uint8_t StopBits = 0; // 0 one, 1 one and a half, 2 two
    char XonChar = 0;
    char XoffChar = 0;
    char ErrorChar = 0;
    char EventChar = 0;
};

// The rate in bits per second that a baud-rate setting stands for; 0 (no
// rate) for a custom rate that is not positive.
std::uint32_t BaudRateValue(TBaudRate rate, int customBaudRate);

// The record for the port's current settings.
TComDcb BuildDcb(const TCustomComPort& port);

} // namespace lumiq
