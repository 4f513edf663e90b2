#include "base/ValueForms.h"

#include <algorithm>

namespace lumiq {
namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

bool IsHexDigit(char c) {
    return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

std::optional<std::uint32_t> DottedQuadValue(std::string_view text) {
    std::uint32_t value = 0;
    std::size_t start = 0;
    for (int octet = 0; octet < 4; ++octet) {
        const std::size_t dot = text.find('.', start);
        const bool last = octet == 3;
        // Three dots exactly: the last octet runs to the end.
        if (last != (dot == std::string_view::npos))
            return std::nullopt;
        const std::string_view digits = text.substr(start, last ? std::string_view::npos : dot - start);
        if (digits.empty() || digits.size() > 3 || !std::all_of(digits.begin(), digits.end(), IsDigit)) {
            return std::nullopt;
        }
        unsigned number = 0;
        for (const char c : digits)
            number = number * 10 + static_cast<unsigned>(c - '0');
        if (number > 255)
            return std::nullopt;
        value = value << 8 | number;
        start = dot + 1;
    }
    return value;
}

bool IsMaskValue(std::uint32_t hostOrder) {
    const std::uint32_t inverted = ~hostOrder;
    // The zeros must be one low run: inverted + 1 is then a power of two (or 0).
    return (inverted & (inverted + 1)) == 0;
}

bool IsMacTextForm(std::string_view text) {
    if (text.size() != 17)
        return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (i % 3 == 2 ? text[i] != ':' : !IsHexDigit(text[i]))
            return false;
    }
    return true;
}

} // namespace lumiq
