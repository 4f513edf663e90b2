#include "sim/Faults.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "sim/ParamRules.h"

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

std::optional<std::vector<std::string>> ParseForgotten(std::string_view list) {
    std::vector<std::string> keywords;
    std::size_t start = 0;
    while (start <= list.size()) {
        const std::size_t comma = std::min(list.find(',', start), list.size());
        std::string_view item = list.substr(start, comma - start);
        item.remove_prefix(std::min(item.find_first_not_of(" \t"), item.size()));
        item.remove_suffix(item.size() - std::min(item.find_last_not_of(" \t") + 1, item.size()));
        std::string keyword(item);
        std::transform(keyword.begin(), keyword.end(), keyword.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        if (FindParamRule(keyword) == nullptr)
            return std::nullopt;
        if (std::find(keywords.begin(), keywords.end(), keyword) == keywords.end())
            keywords.push_back(keyword);
        start = comma + 1;
    }
    return keywords;
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
