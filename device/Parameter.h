#pragma once
// The module as a device: its parameters, one row each. A row holds every
// fact about its parameter that a tool needs: the key users type, the CFG.ini
// key, the AT query and set that carry it, where its value sits in the reply,
// what a value must be, the texts of a listed value and the digit each
// becomes on the wire, and its place in a one-key write. The window, the
// multi-module engine and the settings readers all take them from here.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string_view>

#include "device/Exchange.h"

namespace lumiq {

enum class Param : unsigned char {
    Mode,
    Gateway,
    Mask,
    Ip,
    Dip,
    Port,
    DPort,
    Dhcp,
    Name,
    Baud,
    DataBits,
    StopBits,
    Parity,
    Mac,
    Version, // read only
};
inline constexpr std::size_t kParamCount = 15;

// How the value of a right reply is taken from the payload.
enum class ReplyValue : unsigned char {
    None,    // "OK" only
    Text,    // text from the offset up to CR
    Digit,   // one character less "0": the index into the parameter's choices
    Uart,    // baud, data bits, stop bits, parity (all four UART parameters)
    Version, // text from the offset up to CR, the firmware version
};

// How a set's argument is made from the value.
enum class SetArgument : unsigned char {
    None,  // the factory default has no argument
    Text,  // the value's text, GBK
    Digit, // "0" + the index into the parameter's choices
    Uart,  // baud, first data-bit character, stop digit, parity digit
};

// What a value must be (ValueRules.h checks it).
enum class ValueKind : unsigned char {
    Choice,      // one of `choices`; the module's digit is its index
    Address,     // four decimal octets
    Mask,        // four octets forming a run of ones
    HostAddress, // four octets, a unicast host address
    Port,        // kMinPort-kMaxPort
    Name,        // 1 to kMaxNameBytes GBK bytes, no control characters
    Rate,        // one of `choices` (the module's baud list)
    DataBits,    // kMinDataBits-kMaxDataBits
    Mac,         // xx:xx:xx:xx:xx:xx, not all zeros, not a group address
    ReadOnly,    // the firmware version
};

// A query: its line, the keyword that names its answer, where the value starts
// (from the payload's first byte) and how it is taken.
struct WireQuery {
    std::string_view line; // "\r\n" included
    std::string_view keyword;
    std::size_t valueOffset;
    ReplyValue value;
};

// A set: the prefix its argument and "\r\n" follow ("AT+IP=").
struct WireSet {
    std::string_view prefix; // empty: the parameter cannot be written
    SetArgument argument;
};

inline constexpr std::size_t kMaxNameBytes = 15; // GBK bytes: a Chinese character counts 2
inline constexpr unsigned kMinPort = 1;
inline constexpr unsigned kMaxPort = 65535;
inline constexpr char kMinDataBits = '5';
inline constexpr char kMaxDataBits = '9';

inline constexpr std::array<std::string_view, 4> kModeChoices{"TCP_Server", "TCP_Client", "UDP",
                                                              "UDP_Server"};
inline constexpr std::array<std::string_view, 2> kDhcpChoices{"off", "on"};
inline constexpr std::array<std::string_view, 2> kDhcpShown{"关闭", "打开"}; // as the window lists them
inline constexpr std::array<std::string_view, 15> kBaudChoices{
    "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",  "14400",
    "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
inline constexpr std::array<std::string_view, 2> kDataBitsShown{"8", "9"}; // as the window lists them
inline constexpr std::array<std::string_view, 4> kStopBitsChoices{"0.5", "1", "1.5", "2"};
inline constexpr std::array<std::string_view, 3> kParityChoices{"None", "Odd", "Even"};

struct ParamRow {
    Param param;
    std::string_view key;         // "mode": what users type and read, CSV columns, JSON members
    std::string_view settingsKey; // the CFG.ini key; empty when CFG.ini does not keep the parameter
    WireQuery query;              // the four UART parameters share one
    WireSet set;
    ValueKind kind;
    // Choice and Rate: the values, in the order of the module's digits.
    std::span<const std::string_view> choices;
    // The window's list of a listed value; CFG.ini keeps the item number in
    // it. Empty: the window shows the value as text.
    std::span<const std::string_view> shown;
    int oneKeyRank; // place of its set in a one-key write (0 = first); -1: none
};

// A row per parameter, in the order of Param; also the order of tables, CSV
// columns, JSON members, CFG.ini keys, the read-all chain and a one-key write.
inline constexpr std::array<ParamRow, kParamCount> kParamRows = [] {
    using K = ValueKind;
    using R = ReplyValue;
    using S = SetArgument;
    constexpr WireQuery uartQuery{"AT+UART=?\r\n", "+UART", 6, R::Uart};
    constexpr WireSet uartSet{"AT+UART=", S::Uart};
    return std::array<ParamRow, kParamCount>{{
        {Param::Mode,
         "mode",
         "Model",
         {"AT+MODEL=?\r\n", "+MODEL", 7, R::Digit},
         {"AT+MODEL=", S::Digit},
         K::Choice,
         kModeChoices,
         kModeChoices,
         0},
        {Param::Gateway,
         "gateway",
         "GateWay",
         {"AT+GATEWAY=?\r\n", "+GATEWAY", 9, R::Text},
         {"AT+GATEWAY=", S::Text},
         K::Address,
         {},
         {},
         1},
        {Param::Mask,
         "mask",
         "Mask",
         {"AT+MASK=?\r\n", "+MASK", 6, R::Text},
         {"AT+MASK=", S::Text},
         K::Mask,
         {},
         {},
         2},
        {Param::Ip,
         "ip",
         "IP",
         {"AT+IP=?\r\n", "+IP", 4, R::Text},
         {"AT+IP=", S::Text},
         K::HostAddress,
         {},
         {},
         3},
        {Param::Dip,
         "dip",
         "DIP",
         {"AT+DIP=?\r\n", "+DIP", 5, R::Text},
         {"AT+DIP=", S::Text},
         K::Address,
         {},
         {},
         4},
        {Param::Port,
         "port",
         "Port",
         {"AT+PORT=?\r\n", "+PORT", 6, R::Text},
         {"AT+PORT=", S::Text},
         K::Port,
         {},
         {},
         5},
        {Param::DPort,
         "dport",
         "DPort",
         {"AT+DPORT=?\r\n", "+DPORT", 7, R::Text},
         {"AT+DPORT=", S::Text},
         K::Port,
         {},
         {},
         6},
        // The module's own spelling: DCHP.
        {Param::Dhcp,
         "dhcp",
         "",
         {"AT+DCHP=?\r\n", "+DCHP", 6, R::Digit},
         {"AT+DCHP=", S::Digit},
         K::Choice,
         kDhcpChoices,
         kDhcpShown,
         7},
        {Param::Name,
         "name",
         "",
         {"AT+NAME=?\r\n", "+NAME", 6, R::Text},
         {"AT+NAME=", S::Text},
         K::Name,
         {},
         {},
         8},
        {Param::Baud, "baud", "BaudRate", uartQuery, uartSet, K::Rate, kBaudChoices, kBaudChoices, 9},
        {Param::DataBits, "databits", "DataBit", uartQuery, uartSet, K::DataBits, {}, kDataBitsShown, 9},
        {Param::StopBits, "stopbits", "StopBit", uartQuery, uartSet, K::Choice, kStopBitsChoices,
         kStopBitsChoices, 9},
        {Param::Parity, "parity", "Parity", uartQuery, uartSet, K::Choice, kParityChoices, kParityChoices, 9},
        {Param::Mac,
         "mac",
         "MAC",
         {"AT+MAC=?\r\n", "+MAC", 5, R::Text},
         {"AT+MAC=", S::Text},
         K::Mac,
         {},
         {},
         10},
        {Param::Version,
         "version",
         "",
         {"AT+VER=?\r\n", "+VER", 5, R::Version},
         {"", S::None},
         K::ReadOnly,
         {},
         {},
         -1},
    }};
}();

constexpr bool RowsFollowParams() {
    for (std::size_t i = 0; i < kParamRows.size(); ++i) {
        if (static_cast<std::size_t>(kParamRows[i].param) != i)
            return false;
        // One-key ranks never go back: the table is in one-key order.
        if (i > 0 && kParamRows[i].oneKeyRank >= 0 && kParamRows[i].oneKeyRank < kParamRows[i - 1].oneKeyRank)
            return false;
    }
    return kParamRows.size() == static_cast<std::size_t>(Param::Version) + 1;
}
static_assert(RowsFollowParams(), "kParamRows must hold one row per Param, in its order");

constexpr const ParamRow& RowOf(Param param) {
    return kParamRows[static_cast<std::size_t>(param)];
}

// Every parameter in table order.
inline constexpr std::array<Param, kParamCount> kAllParams = [] {
    std::array<Param, kParamCount> all{};
    for (std::size_t i = 0; i < all.size(); ++i)
        all[i] = kParamRows[i].param;
    return all;
}();

// The commands that are no parameter's.
inline constexpr WireQuery kLinkTestQuery{"AT\r\n", kOkReply, 0, ReplyValue::None};
inline constexpr WireSet kFactoryDefaultSet{"AT+DEFAULT", SetArgument::None};
// The factory default resent as a query, answered like the link test.
inline constexpr WireQuery kFactoryDefaultQuery{"AT+DEFAULT\r\n", kOkReply, 0, ReplyValue::None};

constexpr std::string_view KeyOf(Param param) {
    return RowOf(param).key;
}

// A key as typed: any letter case; the CFG.ini key names (Model, GateWay,
// BaudRate, DataBit, ...) are understood as well.
std::optional<Param> ParamOfKey(std::string_view key);

constexpr bool IsUartPart(Param param) {
    return RowOf(param).query.value == ReplyValue::Uart;
}
constexpr bool IsWritable(Param param) {
    return !RowOf(param).set.prefix.empty();
}

// The parameter whose query reads `param`: Baud for the four UART parts.
constexpr Param QueriedParam(Param param) {
    return IsUartPart(param) ? Param::Baud : param;
}

// The query that reads the parameter; the set that writes it (writable ones only).
constexpr const WireQuery& QueryOf(Param param) {
    return RowOf(param).query;
}
const WireSet& SetOf(Param param);

// The CFG.ini keys in the order the window writes them.
std::span<const std::string_view> SettingsKeys();

// The parameters a read-all reads, one per query (Baud for the UART query),
// in the order of the read-all chain.
std::span<const Param> QueriedParams();

} // namespace lumiq
