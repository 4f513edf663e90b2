#include "state/AddressText.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "state/Errors.h"

namespace lumiq {

namespace {

using Octets = std::array<std::uint8_t, 4>;

// Network order: the first octet sits in the lowest-addressed byte whatever
// the machine's byte order, so the value is copied byte by byte.
Octets OctetsOf(std::uint32_t address) {
    Octets octets{};
    std::memcpy(octets.data(), &address, sizeof address);
    return octets;
}

std::uint32_t AddressOf(const Octets& octets) {
    std::uint32_t address = 0;
    std::memcpy(&address, octets.data(), sizeof address);
    return address;
}

} // namespace

std::string IpToText(std::uint32_t address) {
    const Octets octets = OctetsOf(address);
    std::string text;
    for (std::size_t i = 0; i < octets.size(); ++i) {
        if (i > 0)
            text += '.';
        text += std::to_string(octets[i]);
    }
    return text;
}

std::uint32_t ParseIp(std::string_view text) {
    if (text.empty())
        throw RangeCheckError();
    // The text ends at its first NUL, as a C string would.
    const std::size_t end = std::min(text.find('\0'), text.size());

    Octets octets{};
    std::size_t pos = 0;
    for (std::uint8_t& octet : octets) {
        // Digits left in this octet; it decides each digit's weight. An octet
        // of four or more characters never counts down into range, so it adds
        // nothing.
        std::size_t digitsLeft = 0;
        while (pos + digitsLeft < end && text[pos + digitsLeft] != '.')
            ++digitsLeft;

        while (pos < end) {
            const char c = text[pos++];
            if (c == '.')
                break;
            // Characters are not checked to be digits; all sums wrap at 256.
            const int digit = c - '0';
            int weight = 0;
            if (digitsLeft == 3)
                weight = 100;
            else if (digitsLeft == 2)
                weight = 10;
            else if (digitsLeft == 1)
                weight = 1;
            if (weight != 0) {
                octet = static_cast<std::uint8_t>(octet + digit * weight);
                --digitsLeft;
            }
        }
    }
    return AddressOf(octets);
}

} // namespace lumiq
