#include "sim/Faults.h"

#include <array>

namespace lumiq::sim {

namespace {

constexpr std::array<std::pair<Malformed, std::string_view>, 4> kNames{{
    {Malformed::Short, "short"},
    {Malformed::NoGt, "nogt"},
    {Malformed::Binary, "binary"},
    {Malformed::Oversized, "oversized"},
}};

constexpr std::size_t kOversizedBytes = 65000;
constexpr std::size_t kBinaryBytes = 64;

} // namespace

std::optional<Malformed> ParseMalformed(std::string_view name) {
    for (const auto& [kind, text] : kNames)
        if (text == name)
            return kind;
    return std::nullopt;
}

std::string_view MalformedName(Malformed kind) {
    for (const auto& [each, text] : kNames)
        if (each == kind)
            return text;
    return "?";
}

std::string MalformedBytes(Malformed kind, std::string_view mac) {
    switch (kind) {
    case Malformed::Short:
        return "<" + std::string(mac.substr(0, 8));
    case Malformed::NoGt:
        return "<" + std::string(mac) + ",+MODEL=0\r\n";
    case Malformed::Binary: {
        // A NUL first (text readers stop there), then 0xff and a line end.
        std::string bytes("\x00\xff\r\n", 4);
        for (std::size_t i = bytes.size(); i < kBinaryBytes; ++i)
            bytes += static_cast<char>((i * 37) & 0xff);
        return bytes;
    }
    case Malformed::Oversized: {
        std::string bytes = "<" + std::string(mac) + ">,+NAME=";
        bytes.resize(kOversizedBytes, 'X');
        return bytes;
    }
    }
    return {};
}

} // namespace lumiq::sim
