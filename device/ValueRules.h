#pragma once
// Every value is checked before anything is sent to any module: the module
// itself would take many wrong ones (or refuse them only after half of a
// write), and a device name with a line break would even change the frame.
// Checked values are held in one canonical text form, so that a value read
// from a module and a value asked for compare equal when they mean the same.

#include <stdexcept>
#include <string>
#include <string_view>

#include "device/Parameter.h"

namespace lumiq {

// A value that breaks its parameter's rule. what(): bad value for KEY: "VALUE" (RULE)
class ValueError : public std::runtime_error {
public:
    ValueError(std::string key, std::string value, std::string rule);
    const std::string& key() const { return key_; }
    const std::string& value() const { return value_; }
    const std::string& rule() const { return rule_; }

private:
    std::string key_;
    std::string value_;
    std::string rule_;
};

struct Value {
    Param param;
    std::string text; // canonical, UTF-8

    bool operator==(const Value&) const = default;
};

// The canonical forms, by the parameter's kind (Parameter.h):
//   mode      TCP_Server, TCP_Client, UDP, UDP_Server   (typed: the name in any case, or 0-3)
//   dhcp      off, on                                   (typed: off/on, 0/1, 关闭/打开)
//   gateway, dip  four decimal octets 0-255
//   mask      four octets forming a run of ones
//   ip        four octets, a unicast host address
//   port, dport   1-65535
//   name      1 to 15 GBK bytes, every character in GBK, no control characters
//   baud      a rate of the module's list (110 ... 256000)
//   databits  5-9;  stopbits 0.5, 1, 1.5, 2;  parity None, Odd, Even (typed in any case)
//   mac       lower-case xx:xx:xx:xx:xx:xx, not all zeros (every module answers that),
//             not a group address
// Throws ValueError; the version cannot be written.
Value CheckValue(Param param, std::string_view typed);

// "KEY=VALUE", blanks around either dropped. Throws ValueError, also for an
// unknown key or a missing "=".
Value CheckAssignment(std::string_view assignment);

// A value as a module reported it (UTF-8): its canonical form when it keeps
// the rule, else the text unchanged, so that it still shows what the module
// said and compares unequal to every checked value.
std::string CanonicalReading(Param param, std::string_view reported);

// A listed value's digit on the wire (-1 for a text outside the list), and
// the canonical text of a digit (empty outside the list).
int ChoiceDigit(Param param, std::string_view canonical);
std::string_view ChoiceName(Param param, int digit);

// The argument bytes (GBK) of a set command for a checked value that is not
// part of the UART settings.
std::string WireArgument(const Value& value);

// The UART set's argument from the four canonical texts.
std::string UartWireArgument(std::string_view baud, std::string_view dataBits, std::string_view stopBits,
                             std::string_view parity);

} // namespace lumiq
