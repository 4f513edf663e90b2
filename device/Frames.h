#pragma once
// Building what goes to a module. Everything is byte text (GBK) built by
// concatenation, so a text of any length is sent whole: nothing is cut to a
// fixed frame buffer and nothing is padded.

#include <cstdint>
#include <string>
#include <string_view>

namespace lumiq {

// Modules listen, and answer, on UDP port 5000; the tool binds it too.
inline constexpr std::uint16_t kModulePort = 5000;
// Every frame is broadcast; the envelope alone picks the module.
inline constexpr std::string_view kBroadcastText = "255.255.255.255";
inline constexpr std::uint32_t kBroadcastAddress = 0xFFFFFFFFu; // the same, in either byte order
// The target MAC of the search frame: every module answers it.
inline constexpr std::string_view kEveryModuleMac = "00:00:00:00:00:00";

// "<" + target + ">,<" + own + ">,": 40 bytes with two 17-character MAC texts.
std::string UdpEnvelope(std::string_view targetMac, std::string_view localMac);

// The search frame: the envelope to every module, then "AT\r\n".
std::string DiscoveryFrame(std::string_view localMac);

// A set command's line: prefix, argument, "\r\n".
std::string SetCommandLine(std::string_view prefix, std::string_view argument);

// One-digit argument: "0" + the item index, so -1 (no item matched) gives "/".
char DigitArgument(int itemIndex);

// "baud,d,s,p": the whole baud text, the first data-bit character (all its
// bytes), then the stop-bit and parity digits.
std::string UartArgument(std::string_view baud, std::string_view dataBitChar, int stopIndex, int parityIndex);

} // namespace lumiq
