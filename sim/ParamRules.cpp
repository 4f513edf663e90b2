#include "sim/ParamRules.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "base/ValueForms.h"

namespace lumiq::sim {

namespace {

bool IsDigits(std::string_view text, std::size_t maxLength) {
    return !text.empty() && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

unsigned long ToNumber(std::string_view digits) {
    unsigned long value = 0;
    for (const char c : digits)
        value = value * 10 + static_cast<unsigned long>(c - '0');
    return value;
}

bool IsDigitIn(std::string_view text, char low, char high) {
    return text.size() == 1 && text[0] >= low && text[0] <= high;
}

bool IsWorkMode(std::string_view text) {
    return IsDigitIn(text, '0', '3');
}
bool IsDhcpState(std::string_view text) {
    return IsDigitIn(text, '0', '1');
}

bool IsPort(std::string_view text) {
    return IsDigits(text, 5) && ToNumber(text) >= 1 && ToNumber(text) <= 65535;
}

// A mask is a run of ones followed by a run of zeros.
bool IsMask(std::string_view text) {
    const auto value = DottedQuadValue(text);
    return value && IsMaskValue(*value);
}

// The simulated module's own list of rates, apart from the tool's, so that
// the simulator stays a check on what the tool sends.
bool IsBaudRate(std::string_view text) {
    static constexpr std::array<std::string_view, 15> kRates{"110",   "300",   "600",    "1200",   "2400",
                                                             "4800",  "9600",  "14400",  "19200",  "38400",
                                                             "56000", "57600", "115200", "128000", "256000"};
    return std::find(kRates.begin(), kRates.end(), text) != kRates.end();
}

// baud,data bits,stop bits,parity: "9600,8,1,0".
bool IsUartSetting(std::string_view text) {
    const std::size_t comma = text.find(',');
    if (comma == std::string_view::npos || !IsBaudRate(text.substr(0, comma)))
        return false;
    const std::string_view rest = text.substr(comma);
    return rest.size() == 6 && rest[0] == ',' && rest[2] == ',' && rest[4] == ',' &&
           IsDigitIn(rest.substr(1, 1), '5', '9') && IsDigitIn(rest.substr(3, 1), '0', '3') &&
           IsDigitIn(rest.substr(5, 1), '0', '2');
}

// At most 15 bytes (a GBK character counts two); control bytes have no place
// in a name that is shown on a panel.
bool IsDeviceName(std::string_view bytes) {
    return bytes.size() <= 15 && std::none_of(bytes.begin(), bytes.end(),
                                              [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

bool IsVersion(std::string_view text) {
    return !text.empty();
}

constexpr std::array<ParamRule, 12> kRules{{
    {"MODEL", true, IsWorkMode},
    {"GATEWAY", true, IsDottedQuad},
    {"MASK", true, IsMask},
    {"IP", true, IsDottedQuad},
    {"DIP", true, IsDottedQuad},
    {"PORT", true, IsPort},
    {"DPORT", true, IsPort},
    {"DCHP", true, IsDhcpState},
    {"NAME", true, IsDeviceName},
    {"UART", true, IsUartSetting},
    {"MAC", true, IsMacText},
    {"VER", false, IsVersion},
}};

} // namespace

std::span<const ParamRule> ParamRules() {
    return kRules;
}

const ParamRule* FindParamRule(std::string_view keyword) {
    const auto* it = std::find_if(kRules.begin(), kRules.end(),
                                  [&](const ParamRule& rule) { return rule.keyword == keyword; });
    return it == kRules.end() ? nullptr : &*it;
}

bool IsDottedQuad(std::string_view text) {
    return DottedQuadValue(text).has_value();
}

bool IsMacText(std::string_view text) {
    return IsMacTextForm(text);
}

} // namespace lumiq::sim
