#include "presenter/CommandBindings.h"

#include <array>
#include <stdexcept>
#include <string>

namespace lumiq {
namespace {

using A = AfterRightReply;
using P = Param;
using S = Subject;

// Listed in the order of the read-all chain; nextCode links them.
constexpr std::array<QueryCommand, 14> kQueries{{
    {42, S::LinkTest, P::Mode, "发送AT命令", A::AlwaysNext, 4, "          AT命令响应成功",
     "          AT命令响应失败"},
    {4, S::Param, P::Mode, "查询工作模式", A::NextUnlessSingle, 10, "          查询工作模式成功",
     "          查询工作模式失败"},
    {10, S::Param, P::Gateway, "查询网关IP地址", A::NextUnlessSingle, 14, "          查询网关IP地址成功",
     "          查询网关IP地址失败"},
    {14, S::Param, P::Mask, "查询子网掩码", A::NextUnlessSingle, 18, "          查询子网掩码成功",
     "          查询子网掩码失败"},
    {18, S::Param, P::Ip, "查询模块IP地址", A::NextUnlessSingle, 22, "          查询模块IP地址成功",
     "          查询模块IP地址失败"},
    {22, S::Param, P::Dip, "查询模块目的IP地址", A::NextUnlessSingle, 26, "          查询模块目的IP地址成功",
     "          查询模块目的IP地址失败"},
    {26, S::Param, P::Port, "查询模块端口", A::NextUnlessSingle, 30, "          查询模块端口成功",
     "          查询模块端口失败"},
    {30, S::Param, P::DPort, "查询模块目的端口", A::NextUnlessSingle, 46, "          查询模块目的端口成功",
     "          查询模块目的端口失败"},
    {46, S::Param, P::Dhcp, "查询DCHP模式", A::NextUnlessSingle, 50, "          查询模块DCHP模式成功",
     "          查询模块DCHP模式失败"},
    {50, S::Param, P::Name, "查询设备名称", A::NextUnlessSingle, 34, "          查询模块设备名称成功",
     "          查询模块设备名称失败"},
    {34, S::Param, P::Baud, "查询串口参数", A::NextUnlessSingle, 38, "          查询模块串口参数成功",
     "          查询模块串口参数失败"},
    {38, S::Param, P::Mac, "查询MAC地址", A::NextUnlessSingle, 44, "          查询模块MAC地址成功",
     "          查询模块MAC地址失败"},
    // The version ends the chain and is never resent.
    {44, S::Param, P::Version, "读取版本号", A::EndOfChain, 0, "          读取版本号成功",
     "          读取版本号失败"},
    // The factory default's resend; its reply (9) reads everything back.
    {kDefaultResend, S::FactoryDefault, P::Mode, "发送恢复出厂设置命令", A::StartReadAll, 0,
     "          恢复出厂设置命令响应成功", "          恢复出厂设置命令响应失败"},
}};

// Listed in the order of the write-all chain; `next` links them.
constexpr std::array<SetCommand, 12> kSets{{
    {S::Param, P::Mode, 7, "设置模块工作模式", "          设置工作模式成功", "          设置工作模式失败",
     true, P::Gateway},
    {S::Param, P::Gateway, 13, "设置网关IP地址", "          设置网关IP成功", "          设置网关IP失败", true,
     P::Mask},
    {S::Param, P::Mask, 17, "设置子网掩码", "          设置子网掩码成功", "          设置子网掩码失败", true,
     P::Ip},
    {S::Param, P::Ip, 21, "设置模块IP地址", "          设置模块IP成功", "          设置模块IP失败", true,
     P::Dip},
    {S::Param, P::Dip, kDipSetAwait, "设置目的IP", "          设置模块目的IP成功",
     "          设置模块目的IP失败", true, P::Port},
    {S::Param, P::Port, 29, "设置模块端口号", "          设置模块端口成功", "          设置模块端口失败",
     true, P::DPort},
    {S::Param, P::DPort, 33, "设置目的端口号", "          设置模块目的端口成功",
     "          设置模块目的端口失败", true, P::Dhcp},
    {S::Param, P::Dhcp, 49, "设置DCHP模式", "          设置DCHP模式成功", "          设置DCHP模式失败", true,
     P::Name},
    {S::Param, P::Name, 53, "设置模块设备名称", "          设置模块设备名称成功",
     "          设置模块设备名称失败", true, P::Baud},
    {S::Param, P::Baud, kUartSetAwait, "设置模块串口参数", "          设置模块串口参数成功",
     "          设置模块串口参数失败", true, P::Mac},
    {S::Param, P::Mac, kMacSetAwait, "设置模块MAC地址", "          设置模块MAC地址成功",
     "          设置模块MAC地址失败", false, P::Mac},
    {S::FactoryDefault, P::Mode, kDefaultAwait, "设置模块出厂默认参数", nullptr, nullptr, false, P::Mode},
}};

} // namespace

const WireQuery& QueryCommand::wire() const {
    switch (subject) {
    case Subject::LinkTest:
        return kLinkTestQuery;
    case Subject::FactoryDefault:
        return kFactoryDefaultQuery;
    case Subject::Param:
        break;
    }
    return QueryOf(param);
}

const WireSet& SetCommand::wire() const {
    return subject == Subject::FactoryDefault ? kFactoryDefaultSet : SetOf(param);
}

const QueryCommand* QueryBySendCode(std::uint16_t code) {
    for (const QueryCommand& query : kQueries) {
        if (query.sendCode == code)
            return &query;
    }
    return nullptr;
}

const QueryCommand* QueryByAwaitCode(std::uint16_t code) {
    for (const QueryCommand& query : kQueries) {
        if (query.awaitCode() == code)
            return &query;
    }
    return nullptr;
}

const SetCommand* SetByAwaitCode(std::uint16_t code) {
    for (const SetCommand& set : kSets) {
        // The factory default's reply belongs to the query table.
        if (set.awaitCode == code && set.successLine != nullptr)
            return &set;
    }
    return nullptr;
}

const SetCommand& SetCommandOf(Param param) {
    for (const SetCommand& set : kSets) {
        if (set.subject == Subject::Param && set.param == QueriedParam(param))
            return set;
    }
    throw std::invalid_argument(std::string(KeyOf(param)) + " has no set");
}

const SetCommand& FactoryDefaultCommand() {
    return kSets.back();
}

std::uint16_t QuerySendCodeOf(Param param) {
    for (const QueryCommand& query : kQueries) {
        if (query.subject == Subject::Param && query.param == QueriedParam(param))
            return query.sendCode;
    }
    throw std::invalid_argument("no query for parameter");
}

} // namespace lumiq
