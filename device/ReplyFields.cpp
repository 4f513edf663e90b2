#include "device/ReplyFields.h"

#include <algorithm>

namespace lumiq {
namespace {

constexpr std::size_t kUartBaudOffset = 6; // after "+UART="

} // namespace

std::string_view UpToZero(std::string_view bytes) {
    return bytes.substr(0, bytes.find('\0'));
}

std::string ReplyMac(std::string_view datagram) {
    const std::string_view text = UpToZero(datagram);
    if (text.empty())
        return {};
    // Byte 0 is "<" in a well-formed reply; it is skipped unchecked.
    const std::string_view rest = text.substr(1);
    return std::string(rest.substr(0, rest.find('>')));
}

bool HasMacEnd(std::string_view datagram) {
    const std::string_view text = UpToZero(datagram);
    return text.size() > 1 && text.find('>', 1) != std::string_view::npos;
}

std::string_view ReplyPayload(std::string_view datagram) {
    if (datagram.size() <= kPayloadOffset)
        return {};
    return UpToZero(datagram.substr(kPayloadOffset));
}

std::string TextValueAt(std::string_view payload, std::size_t offset, std::size_t maxBytes) {
    if (offset >= payload.size())
        return {};
    std::string_view value = payload.substr(offset);
    value = value.substr(0, value.find('\r'));
    return std::string(value.substr(0, std::min(value.size(), maxBytes)));
}

std::uint8_t DigitValueAt(std::string_view payload, std::size_t offset) {
    const unsigned char byte = offset < payload.size() ? static_cast<unsigned char>(payload[offset]) : 0;
    return static_cast<std::uint8_t>(byte - '0');
}

UartValues UartValuesOf(std::string_view payload) {
    const std::size_t comma = std::min(payload.find(',', kUartBaudOffset), payload.size());
    UartValues values;
    if (kUartBaudOffset < comma) {
        const std::size_t length = std::min(comma - kUartBaudOffset, kMaxBaudValue);
        values.baud = std::string(payload.substr(kUartBaudOffset, length));
    }
    values.dataBits = DigitValueAt(payload, comma + 1);
    values.stopBits = DigitValueAt(payload, comma + 3);
    values.parity = DigitValueAt(payload, comma + 5);
    return values;
}

} // namespace lumiq
