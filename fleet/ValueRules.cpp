#include "fleet/ValueRules.h"

#include <algorithm>
#include <array>

#include "protocol/Frames.h"
#include "base/GbkText.h"
#include "base/ValueForms.h"

namespace lumiq::fleet {
namespace {

constexpr std::size_t kMaxNameBytes = 15;

constexpr std::array<std::string_view, 4> kModes{"TCP_Server", "TCP_Client", "UDP", "UDP_Server"};
constexpr std::array<std::string_view, 2> kDhcp{"off", "on"};
constexpr std::array<std::string_view, 2> kDhcpShown{"关闭", "打开"};  // the window's texts
constexpr std::array<std::string_view, 4> kStopBits{"0.5", "1", "1.5", "2"};
constexpr std::array<std::string_view, 3> kParity{"None", "Odd", "Even"};

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Lower(x) == Lower(y);
           });
}

std::string_view Trimmed(std::string_view text) {
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    while (!text.empty() && blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && blank(text.back())) text.remove_suffix(1);
    return text;
}

template <std::size_t N>
int IndexOf(const std::array<std::string_view, N>& names, std::string_view typed) {
    for (std::size_t i = 0; i < N; ++i) {
        if (SameLetters(names[i], typed)) return static_cast<int>(i);
    }
    return -1;
}

// A list value typed as its name or as the digit the module uses.
template <std::size_t N>
int ListIndex(const std::array<std::string_view, N>& names, std::string_view typed) {
    if (typed.size() == 1 && typed[0] >= '0' && static_cast<std::size_t>(typed[0] - '0') < N) return typed[0] - '0';
    return IndexOf(names, typed);
}

std::string DottedText(std::uint32_t hostOrder) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty()) text += '.';
        text += std::to_string(hostOrder >> shift & 0xFFu);
    }
    return text;
}

std::string CheckedAddress(Param param, std::string_view typed) {
    const std::string key(KeyOf(param));
    const auto value = DottedQuadValue(typed);
    if (!value) throw ValueError(key, std::string(typed), "four decimal octets 0-255, such as 192.168.1.7");
    if (param == Param::Mask && !IsMaskValue(*value)) {
        throw ValueError(key, std::string(typed), "a mask is a run of ones, such as 255.255.255.0");
    }
    if (param == Param::Ip) {
        const std::uint32_t first = *value >> 24;
        if (*value == 0 || *value == 0xFFFFFFFFu || first == 127 || (first >= 224 && first <= 239)) {
            throw ValueError(key, std::string(typed),
                             "a module address is a unicast host address: not 0.0.0.0, a broadcast, loopback "
                             "or multicast address");
        }
    }
    return DottedText(*value);
}

std::string CheckedPort(Param param, std::string_view typed) {
    const bool digits = !typed.empty() && typed.size() <= 5 &&
                        std::all_of(typed.begin(), typed.end(), [](char c) { return c >= '0' && c <= '9'; });
    const unsigned long number = digits ? std::stoul(std::string(typed)) : 0;
    if (number < 1 || number > 65535) throw ValueError(std::string(KeyOf(param)), std::string(typed), "a port is 1-65535");
    return std::to_string(number);
}

std::string CheckedName(std::string_view typed) {
    const std::string value(typed);
    if (value.empty()) throw ValueError("name", value, "a device name is not empty");
    if (std::any_of(value.begin(), value.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        throw ValueError("name", value, "a device name holds no control characters");
    }
    const std::string gbk = Utf8ToGbk(value);
    if (GbkToUtf8(gbk) != value) throw ValueError("name", value, "every character of a device name must exist in GBK");
    if (gbk.size() > kMaxNameBytes) {
        throw ValueError("name", value,
                         "a device name holds at most 15 GBK bytes (a Chinese character counts 2); this one has " +
                             std::to_string(gbk.size()));
    }
    return value;
}

std::string CheckedMac(std::string_view typed) {
    if (!IsMacTextForm(typed)) throw ValueError("mac", std::string(typed), "a MAC text is xx:xx:xx:xx:xx:xx in hexadecimal");
    std::string mac(typed);
    std::transform(mac.begin(), mac.end(), mac.begin(), Lower);
    if (mac == kEveryModuleMac) {
        throw ValueError("mac", std::string(typed), "00:00:00:00:00:00 is the address every module answers to");
    }
    const int first = std::stoi(mac.substr(0, 2), nullptr, 16);
    if ((first & 1) != 0) throw ValueError("mac", std::string(typed), "a module's MAC is not a group (multicast) address");
    return mac;
}

template <std::size_t N>
std::string CheckedListValue(Param param, const std::array<std::string_view, N>& names, std::string_view typed,
                             const std::string& rule) {
    const int index = ListIndex(names, typed);
    if (index < 0) throw ValueError(std::string(KeyOf(param)), std::string(typed), rule);
    return std::string(names[static_cast<std::size_t>(index)]);
}

}  // namespace

ValueError::ValueError(std::string key, std::string value, std::string rule)
    : std::runtime_error("bad value for " + key + ": \"" + value + "\" (" + rule + ")"),
      key_(std::move(key)),
      value_(std::move(value)),
      rule_(std::move(rule)) {}

Value CheckValue(Param param, std::string_view typedText) {
    const std::string_view typed = param == Param::Name ? typedText : Trimmed(typedText);
    switch (param) {
        case Param::Mode:
            return {param, CheckedListValue(param, kModes, typed, "TCP_Server, TCP_Client, UDP, UDP_Server or 0-3")};
        case Param::Dhcp: {
            const int shown = IndexOf(kDhcpShown, typed);
            if (shown >= 0) return {param, std::string(kDhcp[static_cast<std::size_t>(shown)])};
            return {param, CheckedListValue(param, kDhcp, typed, "off or on (0 or 1)")};
        }
        case Param::Gateway:
        case Param::Mask:
        case Param::Ip:
        case Param::Dip:
            return {param, CheckedAddress(param, typed)};
        case Param::Port:
        case Param::DPort:
            return {param, CheckedPort(param, typed)};
        case Param::Name:
            return {param, CheckedName(typed)};
        case Param::Baud:
            if (!IsModuleBaudRate(typed)) {
                throw ValueError("baud", std::string(typed),
                                 "one of the module's rates: 110 300 600 1200 2400 4800 9600 14400 19200 38400 56000 "
                                 "57600 115200 128000 256000");
            }
            return {param, std::string(typed)};
        case Param::DataBits:
            if (typed.size() != 1 || typed[0] < '5' || typed[0] > '9') {
                throw ValueError("databits", std::string(typed), "data bits are 5-9");
            }
            return {param, std::string(typed)};
        case Param::StopBits:
            if (IndexOf(kStopBits, typed) < 0) throw ValueError("stopbits", std::string(typed), "stop bits are 0.5, 1, 1.5 or 2");
            return {param, std::string(typed)};
        case Param::Parity: {
            const int index = IndexOf(kParity, typed);
            if (index < 0) throw ValueError("parity", std::string(typed), "parity is None, Odd or Even");
            return {param, std::string(kParity[static_cast<std::size_t>(index)])};
        }
        case Param::Mac:
            return {param, CheckedMac(typed)};
        case Param::Version:
            break;
    }
    throw ValueError(std::string(KeyOf(param)), std::string(typed), "the firmware version can only be read");
}

Value CheckAssignment(std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos) {
        throw ValueError(std::string(Trimmed(assignment)), "", "a setting is written KEY=VALUE");
    }
    const std::string_view key = Trimmed(assignment.substr(0, equals));
    const auto param = ParamOfKey(key);
    if (!param) {
        throw ValueError(std::string(key), std::string(assignment.substr(equals + 1)),
                         "unknown key; keys are mode gateway mask ip dip port dport dhcp name baud databits "
                         "stopbits parity mac");
    }
    return CheckValue(*param, assignment.substr(equals + 1));
}

std::string CanonicalReading(Param param, std::string_view reported) {
    if (param == Param::Version) return std::string(reported);
    try {
        return CheckValue(param, reported).text;
    } catch (const ValueError&) {
        return std::string(reported);
    }
}

std::string WireArgument(const Value& value) {
    switch (value.param) {
        case Param::Mode:
            return std::string(1, DigitArgument(IndexOf(kModes, value.text)));
        case Param::Dhcp:
            return std::string(1, DigitArgument(IndexOf(kDhcp, value.text)));
        default:
            return Utf8ToGbk(value.text);
    }
}

std::string UartWireArgument(std::string_view baud, std::string_view dataBits, std::string_view stopBits,
                             std::string_view parity) {
    return UartArgument(baud, dataBits, IndexOf(kStopBits, stopBits), IndexOf(kParity, parity));
}

std::string_view ModeName(int digit) {
    return digit >= 0 && digit < static_cast<int>(kModes.size()) ? kModes[static_cast<std::size_t>(digit)] : "";
}
std::string_view DhcpName(int digit) {
    return digit >= 0 && digit < static_cast<int>(kDhcp.size()) ? kDhcp[static_cast<std::size_t>(digit)] : "";
}
std::string_view StopBitsName(int digit) {
    return digit >= 0 && digit < static_cast<int>(kStopBits.size()) ? kStopBits[static_cast<std::size_t>(digit)] : "";
}
std::string_view ParityName(int digit) {
    return digit >= 0 && digit < static_cast<int>(kParity.size()) ? kParity[static_cast<std::size_t>(digit)] : "";
}

}  // namespace lumiq::fleet
