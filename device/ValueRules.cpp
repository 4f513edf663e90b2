#include "device/ValueRules.h"

#include <algorithm>

#include "base/AsciiText.h"
#include "base/GbkText.h"
#include "base/ValueForms.h"
#include "device/Frames.h"

namespace lumiq {
namespace {

// A value typed by hand or read from a file has its blanks dropped; a device
// name keeps them, as they are part of it.
constexpr std::string_view kTypedBlanks = " \t";

int IndexOf(std::span<const std::string_view> names, std::string_view typed) {
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (SameAsciiLetters(names[i], typed))
            return static_cast<int>(i);
    }
    return -1;
}

// A listed value typed as its name or as the digit the module uses.
int ChoiceIndex(std::span<const std::string_view> names, std::string_view typed) {
    if (typed.size() == 1 && typed[0] >= '0' && static_cast<std::size_t>(typed[0] - '0') < names.size())
        return typed[0] - '0';
    return IndexOf(names, typed);
}

std::string Joined(std::span<const std::string_view> names, std::string_view between, std::string_view last) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i > 0)
            text += i + 1 == names.size() ? last : between;
        text += names[i];
    }
    return text;
}

std::string DottedText(std::uint32_t hostOrder) {
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        if (!text.empty())
            text += '.';
        text += std::to_string(hostOrder >> shift & 0xFFu);
    }
    return text;
}

std::string CheckedAddress(const ParamRow& row, std::string_view typed) {
    const std::string key(row.key);
    const auto value = DottedQuadValue(typed);
    if (!value)
        throw ValueError(key, std::string(typed), "four decimal octets 0-255, such as 192.168.1.7");
    if (row.kind == ValueKind::Mask && !IsMaskValue(*value))
        throw ValueError(key, std::string(typed), "a mask is a run of ones, such as 255.255.255.0");
    if (row.kind == ValueKind::HostAddress) {
        const std::uint32_t first = *value >> 24;
        if (*value == 0 || *value == 0xFFFFFFFFu || first == 127 || (first >= 224 && first <= 239)) {
            throw ValueError(key, std::string(typed),
                             "a module address is a unicast host address: not 0.0.0.0, a broadcast, loopback "
                             "or multicast address");
        }
    }
    return DottedText(*value);
}

std::string CheckedPort(const ParamRow& row, std::string_view typed) {
    const bool digits = !typed.empty() && typed.size() <= 5 &&
                        std::all_of(typed.begin(), typed.end(), [](char c) { return c >= '0' && c <= '9'; });
    const unsigned long number = digits ? std::stoul(std::string(typed)) : 0;
    if (number < kMinPort || number > kMaxPort) {
        throw ValueError(std::string(row.key), std::string(typed),
                         "a port is " + std::to_string(kMinPort) + "-" + std::to_string(kMaxPort));
    }
    return std::to_string(number);
}

std::string CheckedName(std::string_view typed) {
    const std::string value(typed);
    if (value.empty())
        throw ValueError("name", value, "a device name is not empty");
    if (std::any_of(value.begin(), value.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        throw ValueError("name", value, "a device name holds no control characters");
    }
    const std::string gbk = Utf8ToGbk(value);
    if (GbkToUtf8(gbk) != value)
        throw ValueError("name", value, "every character of a device name must exist in GBK");
    if (gbk.size() > kMaxNameBytes) {
        throw ValueError("name", value,
                         "a device name holds at most " + std::to_string(kMaxNameBytes) +
                             " GBK bytes (a Chinese character counts 2); this one has " +
                             std::to_string(gbk.size()));
    }
    return value;
}

std::string CheckedMac(std::string_view typed) {
    if (!IsMacTextForm(typed))
        throw ValueError("mac", std::string(typed), "a MAC text is xx:xx:xx:xx:xx:xx in hexadecimal");
    const std::string mac = AsciiLowered(typed);
    if (mac == kEveryModuleMac)
        throw ValueError("mac", std::string(typed),
                         "00:00:00:00:00:00 is the address every module answers to");
    const int first = std::stoi(mac.substr(0, 2), nullptr, 16);
    if ((first & 1) != 0)
        throw ValueError("mac", std::string(typed), "a module's MAC is not a group (multicast) address");
    return mac;
}

// The rule of a listed value, as its error says it.
std::string ChoiceRule(Param param) {
    switch (param) {
    case Param::Mode:
        return Joined(kModeChoices, ", ", ", ") + " or 0-3";
    case Param::Dhcp:
        return "off or on (0 or 1)";
    case Param::StopBits:
        return "stop bits are " + Joined(kStopBitsChoices, ", ", " or ");
    default:
        return "parity is " + Joined(kParityChoices, ", ", " or ");
    }
}

std::string CheckedChoice(const ParamRow& row, std::string_view typed) {
    // The window's texts (打开) are understood too.
    int index = row.shown.data() != row.choices.data() ? IndexOf(row.shown, typed) : -1;
    if (index < 0) {
        // Stop bits and parity are written as their names: their digits are
        // not theirs to type ("1" stop bit is not the digit 1).
        index = row.param == Param::StopBits || row.param == Param::Parity ? IndexOf(row.choices, typed)
                                                                           : ChoiceIndex(row.choices, typed);
    }
    if (index < 0)
        throw ValueError(std::string(row.key), std::string(typed), ChoiceRule(row.param));
    return std::string(row.choices[static_cast<std::size_t>(index)]);
}

} // namespace

ValueError::ValueError(std::string key, std::string value, std::string rule)
    : std::runtime_error("bad value for " + key + ": \"" + value + "\" (" + rule + ")"), key_(std::move(key)),
      value_(std::move(value)), rule_(std::move(rule)) {}

Value CheckValue(Param param, std::string_view typedText) {
    const ParamRow& row = RowOf(param);
    const std::string_view typed = row.kind == ValueKind::Name ? typedText : Trimmed(typedText, kTypedBlanks);
    switch (row.kind) {
    case ValueKind::Choice:
        return {param, CheckedChoice(row, typed)};
    case ValueKind::Address:
    case ValueKind::Mask:
    case ValueKind::HostAddress:
        return {param, CheckedAddress(row, typed)};
    case ValueKind::Port:
        return {param, CheckedPort(row, typed)};
    case ValueKind::Name:
        return {param, CheckedName(typed)};
    case ValueKind::Rate:
        if (std::find(row.choices.begin(), row.choices.end(), typed) == row.choices.end())
            throw ValueError("baud", std::string(typed),
                             "one of the module's rates: " + Joined(row.choices, " ", " "));
        return {param, std::string(typed)};
    case ValueKind::DataBits:
        if (typed.size() != 1 || typed[0] < kMinDataBits || typed[0] > kMaxDataBits) {
            throw ValueError("databits", std::string(typed),
                             std::string("data bits are ") + kMinDataBits + "-" + kMaxDataBits);
        }
        return {param, std::string(typed)};
    case ValueKind::Mac:
        return {param, CheckedMac(typed)};
    case ValueKind::ReadOnly:
        break;
    }
    throw ValueError(std::string(row.key), std::string(typed), "the firmware version can only be read");
}

Value CheckAssignment(std::string_view assignment) {
    const std::size_t equals = assignment.find('=');
    if (equals == std::string_view::npos)
        throw ValueError(std::string(Trimmed(assignment, kTypedBlanks)), "",
                         "a setting is written KEY=VALUE");
    const std::string_view key = Trimmed(assignment.substr(0, equals), kTypedBlanks);
    const auto param = ParamOfKey(key);
    if (!param) {
        std::string keys;
        for (const ParamRow& row : kParamRows) {
            if (IsWritable(row.param))
                keys += (keys.empty() ? "" : " ") + std::string(row.key);
        }
        throw ValueError(std::string(key), std::string(assignment.substr(equals + 1)),
                         "unknown key; keys are " + keys);
    }
    return CheckValue(*param, assignment.substr(equals + 1));
}

std::string CanonicalReading(Param param, std::string_view reported) {
    if (!IsWritable(param))
        return std::string(reported);
    try {
        return CheckValue(param, reported).text;
    } catch (const ValueError&) {
        return std::string(reported);
    }
}

int ChoiceDigit(Param param, std::string_view canonical) {
    return IndexOf(RowOf(param).choices, canonical);
}

std::string_view ChoiceName(Param param, int digit) {
    const auto choices = RowOf(param).choices;
    return digit >= 0 && static_cast<std::size_t>(digit) < choices.size()
               ? choices[static_cast<std::size_t>(digit)]
               : std::string_view();
}

std::string WireArgument(const Value& value) {
    if (RowOf(value.param).set.argument == SetArgument::Digit)
        return std::string(1, DigitArgument(ChoiceDigit(value.param, value.text)));
    return Utf8ToGbk(value.text);
}

std::string UartWireArgument(std::string_view baud, std::string_view dataBits, std::string_view stopBits,
                             std::string_view parity) {
    return UartArgument(baud, dataBits, ChoiceDigit(Param::StopBits, stopBits),
                        ChoiceDigit(Param::Parity, parity));
}

} // namespace lumiq
