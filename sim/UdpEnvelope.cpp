#include "sim/UdpEnvelope.h"

namespace lumiq::sim {

std::optional<Envelope> ParseEnvelope(std::string_view datagram) {
    constexpr std::string_view kBetween = ">,<";
    constexpr std::string_view kAfter = ">,";
    if (!datagram.starts_with('<'))
        return std::nullopt;
    const std::size_t targetEnd = datagram.find('>', 1);
    if (targetEnd == std::string_view::npos || datagram.substr(targetEnd, kBetween.size()) != kBetween)
        return std::nullopt;
    const std::size_t senderStart = targetEnd + kBetween.size();
    const std::size_t senderEnd = datagram.find('>', senderStart);
    if (senderEnd == std::string_view::npos || datagram.substr(senderEnd, kAfter.size()) != kAfter)
        return std::nullopt;
    return Envelope{datagram.substr(1, targetEnd - 1), datagram.substr(senderStart, senderEnd - senderStart),
                    datagram.substr(senderEnd + kAfter.size())};
}

std::optional<std::string_view> CommandLine(std::string_view rest) {
    const std::size_t end = rest.find("\r\n");
    if (end == std::string_view::npos)
        return std::nullopt;
    return rest.substr(0, end);
}

std::string ReplyHeader(std::string_view mac) {
    return "<" + std::string(mac) + ">,";
}

} // namespace lumiq::sim
