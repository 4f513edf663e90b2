#pragma once
// The module's parameters as the multi-module engine and its front ends name
// them. Every parameter maps onto the one command table (protocol/
// CommandTable.h): the four UART settings share one query and one set.

#include <array>
#include <optional>
#include <string_view>

#include "protocol/CommandTable.h"
#include "protocol/PanelButtons.h"

namespace lumiq::fleet {

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
    Version,  // read only
};

// Every parameter in the order of tables, CSV columns and JSON members.
inline constexpr std::array<Param, 15> kAllParams{Param::Mode,  Param::Gateway,  Param::Mask,     Param::Ip,
                                                  Param::Dip,   Param::Port,     Param::DPort,    Param::Dhcp,
                                                  Param::Name,  Param::Baud,     Param::DataBits, Param::StopBits,
                                                  Param::Parity, Param::Mac,     Param::Version};

// "mode", "gateway", ..., "version": the names users type and read.
std::string_view KeyOf(Param param);

// A key as typed: any letter case; the settings file's own key names
// (Model, GateWay, BaudRate, DataBit, ...) are understood as well.
std::optional<Param> ParamOfKey(std::string_view key);

bool IsUartPart(Param param);
bool IsWritable(Param param);  // everything but the version

// The query that reads the parameter (the UART query for its four parts).
const QueryCommand& QueryOf(Param param);
// The set command that writes it; only for writable parameters.
const SetCommand& SetOf(Param param);

// The set buttons in the order a one-key write sends them, MAC last.
const std::array<SetButton, 11>& OneKeyOrder();
// Where a writable parameter's set falls in that order (0 = first).
int OneKeyRank(Param param);

}  // namespace lumiq::fleet
