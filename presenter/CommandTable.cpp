#include "presenter/CommandTable.h"

#include <array>
#include <stdexcept>

namespace lumiq {
namespace {

using F = PanelField;
using A = AfterRightReply;
using V = ReplyValue;

// Listed in the order of the read-all chain; nextCode links them.
constexpr std::array<QueryCommand, 14> kQueries{{
    {42, "AT\r\n", "发送AT命令", "OK", 0, V::None, F::Model, A::AlwaysNext, 4,
     "          AT命令响应成功", "          AT命令响应失败"},
    {4, "AT+MODEL=?\r\n", "查询工作模式", "+MODEL", 7, V::Digit, F::Model, A::NextUnlessSingle, 10,
     "          查询工作模式成功", "          查询工作模式失败"},
    {10, "AT+GATEWAY=?\r\n", "查询网关IP地址", "+GATEWAY", 9, V::Text, F::Gateway, A::NextUnlessSingle, 14,
     "          查询网关IP地址成功", "          查询网关IP地址失败"},
    {14, "AT+MASK=?\r\n", "查询子网掩码", "+MASK", 6, V::Text, F::Mask, A::NextUnlessSingle, 18,
     "          查询子网掩码成功", "          查询子网掩码失败"},
    {18, "AT+IP=?\r\n", "查询模块IP地址", "+IP", 4, V::Text, F::Ip, A::NextUnlessSingle, 22,
     "          查询模块IP地址成功", "          查询模块IP地址失败"},
    {22, "AT+DIP=?\r\n", "查询模块目的IP地址", "+DIP", 5, V::Text, F::Dip, A::NextUnlessSingle, 26,
     "          查询模块目的IP地址成功", "          查询模块目的IP地址失败"},
    {26, "AT+PORT=?\r\n", "查询模块端口", "+PORT", 6, V::Text, F::Port, A::NextUnlessSingle, 30,
     "          查询模块端口成功", "          查询模块端口失败"},
    {30, "AT+DPORT=?\r\n", "查询模块目的端口", "+DPORT", 7, V::Text, F::DPort, A::NextUnlessSingle, 46,
     "          查询模块目的端口成功", "          查询模块目的端口失败"},
    {46, "AT+DCHP=?\r\n", "查询DCHP模式", "+DCHP", 6, V::Digit, F::Dhcp, A::NextUnlessSingle, 50,
     "          查询模块DCHP模式成功", "          查询模块DCHP模式失败"},
    {50, "AT+NAME=?\r\n", "查询设备名称", "+NAME", 6, V::Text, F::Name, A::NextUnlessSingle, 34,
     "          查询模块设备名称成功", "          查询模块设备名称失败"},
    {34, "AT+UART=?\r\n", "查询串口参数", "+UART", 6, V::Uart, F::Baud, A::NextUnlessSingle, 38,
     "          查询模块串口参数成功", "          查询模块串口参数失败"},
    {38, "AT+MAC=?\r\n", "查询MAC地址", "+MAC", 5, V::Text, F::Mac, A::NextUnlessSingle, 44,
     "          查询模块MAC地址成功", "          查询模块MAC地址失败"},
    // The version ends the chain and is never resent.
    {44, "AT+VER=?\r\n", "读取版本号", "+VER", 5, V::Version, F::Version, A::EndOfChain, 0,
     "          读取版本号成功", "          读取版本号失败"},
    // The factory default's resend; its reply (9) reads everything back.
    {kDefaultResend, "AT+DEFAULT\r\n", "发送恢复出厂设置命令", "OK", 0, V::None, F::Model, A::StartReadAll, 0,
     "          恢复出厂设置命令响应成功", "          恢复出厂设置命令响应失败"},
}};

using B = SetButton;
using S = SetArgument;

// Listed in the order of the write-all chain; `next` links them.
constexpr std::array<SetCommand, 12> kSets{{
    {B::Model, 7, "AT+MODEL=", S::Digit, F::Model, "设置模块工作模式",
     "          设置工作模式成功", "          设置工作模式失败", true, B::Gateway},
    {B::Gateway, 13, "AT+GATEWAY=", S::Text, F::Gateway, "设置网关IP地址",
     "          设置网关IP成功", "          设置网关IP失败", true, B::Mask},
    {B::Mask, 17, "AT+MASK=", S::Text, F::Mask, "设置子网掩码",
     "          设置子网掩码成功", "          设置子网掩码失败", true, B::Ip},
    {B::Ip, 21, "AT+IP=", S::Text, F::Ip, "设置模块IP地址",
     "          设置模块IP成功", "          设置模块IP失败", true, B::Dip},
    {B::Dip, kDipSetAwait, "AT+DIP=", S::Text, F::Dip, "设置目的IP",
     "          设置模块目的IP成功", "          设置模块目的IP失败", true, B::Port},
    {B::Port, 29, "AT+PORT=", S::Text, F::Port, "设置模块端口号",
     "          设置模块端口成功", "          设置模块端口失败", true, B::DPort},
    {B::DPort, 33, "AT+DPORT=", S::Text, F::DPort, "设置目的端口号",
     "          设置模块目的端口成功", "          设置模块目的端口失败", true, B::Dhcp},
    {B::Dhcp, 49, "AT+DCHP=", S::Digit, F::Dhcp, "设置DCHP模式",
     "          设置DCHP模式成功", "          设置DCHP模式失败", true, B::Name},
    {B::Name, 53, "AT+NAME=", S::Text, F::Name, "设置模块设备名称",
     "          设置模块设备名称成功", "          设置模块设备名称失败", true, B::Uart},
    {B::Uart, kUartSetAwait, "AT+UART=", S::Uart, F::Baud, "设置模块串口参数",
     "          设置模块串口参数成功", "          设置模块串口参数失败", true, B::Mac},
    {B::Mac, kMacSetAwait, "AT+MAC=", S::Text, F::Mac, "设置模块MAC地址",
     "          设置模块MAC地址成功", "          设置模块MAC地址失败", false, B::Mac},
    {B::Default, kDefaultAwait, "AT+DEFAULT", S::None, F::Model, "设置模块出厂默认参数",
     nullptr, nullptr, false, B::Default},
}};

}  // namespace

const QueryCommand* QueryBySendCode(std::uint16_t code) {
    for (const QueryCommand& query : kQueries) {
        if (query.sendCode == code) return &query;
    }
    return nullptr;
}

const QueryCommand* QueryByAwaitCode(std::uint16_t code) {
    for (const QueryCommand& query : kQueries) {
        if (query.awaitCode() == code) return &query;
    }
    return nullptr;
}

const SetCommand* SetByAwaitCode(std::uint16_t code) {
    for (const SetCommand& set : kSets) {
        // The factory default's reply belongs to the query table.
        if (set.awaitCode == code && set.successLine != nullptr) return &set;
    }
    return nullptr;
}

const SetCommand& SetCommandOf(SetButton button) {
    for (const SetCommand& set : kSets) {
        if (set.button == button) return set;
    }
    throw std::invalid_argument("unknown set button");
}

std::uint16_t QuerySendCodeOf(QueryButton button) {
    switch (button) {
        case QueryButton::Model: return 4;
        case QueryButton::Gateway: return 10;
        case QueryButton::Mask: return 14;
        case QueryButton::Ip: return 18;
        case QueryButton::Dip: return 22;
        case QueryButton::Port: return 26;
        case QueryButton::DPort: return 30;
        case QueryButton::Mac: return 38;
        case QueryButton::Dhcp: return 46;
        case QueryButton::Name: return 50;
        case QueryButton::Uart: return 34;
        case QueryButton::Version: return 44;
    }
    throw std::invalid_argument("unknown query button");
}

}  // namespace lumiq
