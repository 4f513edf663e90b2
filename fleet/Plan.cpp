#include "fleet/Plan.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include <arpa/inet.h>

#include "device/Exchange.h"
#include "state/AddressText.h"

namespace lumiq::fleet {

std::optional<Step> StepList::next(const ModuleValues&) {
    if (steps_.empty())
        return std::nullopt;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    return step;
}

std::vector<Step> ReadAllSteps() {
    std::vector<Step> steps{LinkTestStep()};
    for (const Param param : QueriedParams())
        steps.push_back(QueryStep(param));
    return steps;
}

std::unique_ptr<Plan> ReadAllPlan() {
    return std::make_unique<StepList>(ReadAllSteps());
}

std::unique_ptr<Plan> QueryPlan(const std::vector<Param>& params) {
    return std::make_unique<StepList>(SetPlan::QueriesFor(params));
}

std::unique_ptr<Plan> DefaultPlan() {
    std::vector<Step> steps{DefaultStep()};
    for (Step& step : ReadAllSteps())
        steps.push_back(std::move(step));
    // The module restores its values before it reads back right.
    steps[1].paceMs = kReadBackAfterDefaultMs;
    return std::make_unique<StepList>(std::move(steps));
}

SetPlan::SetPlan(std::vector<Value> values) {
    // The last value given for a parameter counts.
    std::map<Param, Value> latest;
    for (Value& value : values)
        latest.insert_or_assign(value.param, std::move(value));
    std::map<int, std::vector<Value>> byRank;
    std::vector<Param> before;
    for (auto& [param, value] : latest) {
        asked_.push_back(value);
        byRank[RowOf(param).oneKeyRank].push_back(std::move(value));
    }
    for (auto& [rank, group] : byRank) {
        if (IsUartPart(group.front().param) && group.size() < 4)
            before.push_back(Param::Baud);
        groups_.push_back(std::move(group));
    }
    if (latest.count(Param::Ip) != 0 && latest.count(Param::Mask) == 0)
        before.push_back(Param::Mask);
    for (Step& step : QueriesFor(before))
        steps_.push_back(std::move(step));
}

std::vector<Step> SetPlan::QueriesFor(const std::vector<Param>& params) {
    std::vector<Step> steps;
    for (const Step& step : ReadAllSteps()) {
        const bool wanted = std::any_of(params.begin(), params.end(), [&](Param param) {
            return step.kind == StepKind::Query && QueriedParam(param) == step.param;
        });
        if (wanted)
            steps.push_back(step);
    }
    return steps;
}

std::optional<Step> SetPlan::next(const ModuleValues& values) {
    if (steps_.empty() && phase_ == Phase::ReadBefore) {
        CheckAddressInSubnet(asked_, values);
        phase_ = Phase::Write;
    }
    if (steps_.empty() && phase_ == Phase::Write) {
        if (!groups_.empty()) {
            const std::vector<Value> group = std::move(groups_.front());
            groups_.pop_front();
            return StepFor(group, values);
        }
        phase_ = Phase::ReadAfter;
        std::vector<Param> written;
        for (const Value& value : asked_)
            written.push_back(value.param);
        for (Step& step : QueriesFor(written))
            steps_.push_back(std::move(step));
        // The module gets the same breath after its last set as between two.
        if (!steps_.empty())
            steps_.front().paceMs = kSetPaceMs;
    }
    if (steps_.empty()) {
        if (phase_ == Phase::ReadAfter) {
            for (const Value& value : asked_)
                readBack_[value.param] = ValueOf(values, value.param);
            phase_ = Phase::Done;
        }
        return std::nullopt;
    }
    Step step = std::move(steps_.front());
    steps_.pop_front();
    return step;
}

void CheckAddressInSubnet(const std::vector<Value>& wanted, const ModuleValues& values) {
    std::string ip = ValueOf(values, Param::Ip);
    std::string mask = ValueOf(values, Param::Mask);
    bool newIp = false;
    for (const Value& value : wanted) {
        if (value.param == Param::Ip)
            ip = value.text, newIp = true;
        if (value.param == Param::Mask)
            mask = value.text;
    }
    if (!newIp || ip.empty() || mask.empty())
        return;
    std::uint32_t address = 0;
    std::uint32_t netmask = 0;
    try {
        address = ntohl(ParseIp(ip));
        netmask = ntohl(ParseIp(mask));
    } catch (const std::exception&) {
        return; // a mask the module reported otherwise than as an address says nothing
    }
    if (netmask == 0xffffffffu || netmask == 0xfffffffeu)
        return; // no network and broadcast address to spare
    if ((address & ~netmask) == 0)
        throw ValueError("ip", ip, "it is the network address of its subnet (mask " + mask + ")");
    if ((address | netmask) == 0xffffffffu)
        throw ValueError("ip", ip, "it is the broadcast address of its subnet (mask " + mask + ")");
}

Step SetPlan::StepFor(const std::vector<Value>& group, const ModuleValues& values) {
    const Value& first = group.front();
    if (!IsUartPart(first.param))
        return SetStep(first.param, WireArgument(first), first.text, {first});
    std::map<Param, std::string> uart;
    for (const Param part : {Param::Baud, Param::DataBits, Param::StopBits, Param::Parity}) {
        uart[part] = ValueOf(values, part);
    }
    for (const Value& value : group)
        uart[value.param] = value.text;
    // The settings kept from the module must make a valid set as well; a
    // module that reported something else cannot be completed (ValueError).
    for (auto& [part, text] : uart)
        text = CheckValue(part, text).text;
    const std::string shown = uart[Param::Baud] + "," + uart[Param::DataBits] + "," + uart[Param::StopBits] +
                              "," + uart[Param::Parity];
    std::vector<Value> writes;
    for (const auto& [part, text] : uart)
        writes.push_back({part, text});
    return SetStep(Param::Baud,
                   UartWireArgument(uart[Param::Baud], uart[Param::DataBits], uart[Param::StopBits],
                                    uart[Param::Parity]),
                   shown, std::move(writes));
}

} // namespace lumiq::fleet
