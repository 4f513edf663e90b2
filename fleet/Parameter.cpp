#include "fleet/Parameter.h"

#include <stdexcept>
#include <string>

namespace lumiq::fleet {
namespace {

struct ParamInfo {
    Param param;
    std::string_view key;
    std::string_view settingsKey;  // the name CFG.ini gives it, or empty
    QueryButton query;
    SetButton set;
};

constexpr std::array<ParamInfo, 15> kInfo{{
    {Param::Mode, "mode", "Model", QueryButton::Model, SetButton::Model},
    {Param::Gateway, "gateway", "GateWay", QueryButton::Gateway, SetButton::Gateway},
    {Param::Mask, "mask", "Mask", QueryButton::Mask, SetButton::Mask},
    {Param::Ip, "ip", "IP", QueryButton::Ip, SetButton::Ip},
    {Param::Dip, "dip", "DIP", QueryButton::Dip, SetButton::Dip},
    {Param::Port, "port", "Port", QueryButton::Port, SetButton::Port},
    {Param::DPort, "dport", "DPort", QueryButton::DPort, SetButton::DPort},
    {Param::Dhcp, "dhcp", "", QueryButton::Dhcp, SetButton::Dhcp},
    {Param::Name, "name", "", QueryButton::Name, SetButton::Name},
    {Param::Baud, "baud", "BaudRate", QueryButton::Uart, SetButton::Uart},
    {Param::DataBits, "databits", "DataBit", QueryButton::Uart, SetButton::Uart},
    {Param::StopBits, "stopbits", "StopBit", QueryButton::Uart, SetButton::Uart},
    {Param::Parity, "parity", "Parity", QueryButton::Uart, SetButton::Uart},
    {Param::Mac, "mac", "MAC", QueryButton::Mac, SetButton::Mac},
    {Param::Version, "version", "", QueryButton::Version, SetButton::Default},
}};

const ParamInfo& InfoOf(Param param) { return kInfo[static_cast<std::size_t>(param)]; }

bool SameLetters(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::array<SetButton, 11> ChainOrder() {
    // The write-all chain of the command table, from the work mode on.
    std::array<SetButton, 11> order{};
    SetButton button = SetButton::Model;
    for (std::size_t i = 0; i < order.size(); ++i) {
        order[i] = button;
        button = SetCommandOf(button).next;
    }
    return order;
}

}  // namespace

std::string_view KeyOf(Param param) { return InfoOf(param).key; }

std::optional<Param> ParamOfKey(std::string_view key) {
    for (const ParamInfo& info : kInfo) {
        if (SameLetters(key, info.key) || (!info.settingsKey.empty() && SameLetters(key, info.settingsKey))) {
            return info.param;
        }
    }
    return std::nullopt;
}

bool IsUartPart(Param param) { return InfoOf(param).query == QueryButton::Uart; }

bool IsWritable(Param param) { return param != Param::Version; }

const QueryCommand& QueryOf(Param param) {
    const QueryCommand* query = QueryBySendCode(QuerySendCodeOf(InfoOf(param).query));
    if (query == nullptr) throw std::logic_error("no query for parameter");
    return *query;
}

const SetCommand& SetOf(Param param) {
    if (!IsWritable(param)) throw std::invalid_argument(std::string(KeyOf(param)) + " cannot be written");
    return SetCommandOf(InfoOf(param).set);
}

const std::array<SetButton, 11>& OneKeyOrder() {
    static const std::array<SetButton, 11> order = ChainOrder();
    return order;
}

int OneKeyRank(Param param) {
    const SetButton button = SetOf(param).button;
    const auto& order = OneKeyOrder();
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (order[i] == button) return static_cast<int>(i);
    }
    throw std::logic_error("set button outside the one-key order");
}

}  // namespace lumiq::fleet
