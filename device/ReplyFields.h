#pragma once
// Taking a module's reply apart. A reply may be anything the network or the
// port delivered: short, binary, oversized, without its header. Every reader
// here stops at the end of the bytes it was given and never reads past them.
//
// A reply is text in the module's sense: it ends at its first zero byte.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace lumiq {

// The reply header "<" + MAC + ">," is followed by the payload at byte 20,
// whatever the length of the MAC text.
inline constexpr std::size_t kPayloadOffset = 20;
// A text value keeps at most 19 bytes (the 20-byte value buffer and its zero);
// the baud field of the serial parameters at most 6.
inline constexpr std::size_t kMaxTextValue = 19;
inline constexpr std::size_t kMaxBaudValue = 6;

// The bytes before the first zero byte (all of them when there is none).
std::string_view UpToZero(std::string_view bytes);

// The sender's MAC text: from byte 1 up to the first ">", or to the first zero
// byte or the end of the datagram when there is no ">" before them.
std::string ReplyMac(std::string_view datagram);
// Whether the datagram holds the ">" that ends the MAC text.
bool HasMacEnd(std::string_view datagram);
// The payload from byte 20 up to its first zero byte; empty when the
// datagram has no byte 20.
std::string_view ReplyPayload(std::string_view datagram);

// The text from `offset` up to the first CR or the end, at most `maxBytes`.
// Empty when the offset lies beyond the payload.
std::string TextValueAt(std::string_view payload, std::size_t offset, std::size_t maxBytes = kMaxTextValue);

// The byte at `offset` less "0", as an unsigned byte: "0".."9" give 0..9,
// anything else an index outside every list. An offset beyond the payload
// reads the zero byte of the cleared value buffer (208, selecting nothing).
std::uint8_t DigitValueAt(std::string_view payload, std::size_t offset);

// The serial parameters after "+UART=": baud up to the first ",", and the
// digits 1, 3 and 5 bytes after that comma (the bytes between are not
// looked at). Without a comma the baud runs to the end of the payload and
// the digits, lying beyond it, read as zero bytes.
struct UartValues {
    std::string baud;      // at most 6 bytes
    std::uint8_t dataBits; // digit less "0"
    std::uint8_t stopBits; // item index of the stop-bit combo
    std::uint8_t parity;   // item index of the parity combo
};
UartValues UartValuesOf(std::string_view payload);

} // namespace lumiq
