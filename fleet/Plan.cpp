#include "fleet/Plan.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "protocol/EngineTiming.h"

namespace lumiq::fleet {

std::optional<Step> StepList::next(const ModuleValues&) {
    if (steps_.empty()) return std::nullopt;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    return step;
}

std::vector<Step> ReadAllSteps() {
    std::vector<Step> steps;
    const QueryCommand* query = QueryBySendCode(kLinkTestSend);
    while (query != nullptr) {
        steps.push_back(QueryStep(*query));
        if (query->after == AfterRightReply::EndOfChain) break;
        query = QueryBySendCode(query->nextCode);
    }
    return steps;
}

std::unique_ptr<Plan> ReadAllPlan() { return std::make_unique<StepList>(ReadAllSteps()); }

std::unique_ptr<Plan> QueryPlan(const std::vector<Param>& params) {
    std::vector<Step> steps;
    for (const Step& step : ReadAllSteps()) {
        const bool wanted = std::any_of(params.begin(), params.end(),
                                        [&](Param param) { return &QueryOf(param) == step.query; });
        if (wanted) steps.push_back(step);
    }
    return std::make_unique<StepList>(std::move(steps));
}

std::unique_ptr<Plan> DefaultPlan() {
    std::vector<Step> steps{DefaultStep()};
    for (Step& step : ReadAllSteps()) steps.push_back(std::move(step));
    // The module restores its values before it reads back right.
    steps[1].paceMs = kReadBackAfterDefaultMs;
    return std::make_unique<StepList>(std::move(steps));
}

SetPlan::SetPlan(std::vector<Value> values) {
    // The last value given for a parameter counts.
    std::map<Param, Value> latest;
    for (Value& value : values) latest.insert_or_assign(value.param, std::move(value));
    std::map<int, std::vector<Value>> byRank;
    for (auto& [param, value] : latest) byRank[OneKeyRank(param)].push_back(std::move(value));
    for (auto& [rank, group] : byRank) {
        if (IsUartPart(group.front().param) && group.size() < 4) uartReadPending_ = true;
        groups_.push_back(std::move(group));
    }
}

std::optional<Step> SetPlan::next(const ModuleValues& values) {
    if (uartReadPending_) {
        uartReadPending_ = false;
        return QueryStep(QueryOf(Param::Baud));
    }
    if (groups_.empty()) return std::nullopt;
    const std::vector<Value> group = std::move(groups_.front());
    groups_.pop_front();
    return StepFor(group, values);
}

Step SetPlan::StepFor(const std::vector<Value>& group, const ModuleValues& values) {
    const Value& first = group.front();
    if (!IsUartPart(first.param)) return SetStep(first.param, WireArgument(first), first.text);
    std::map<Param, std::string> uart;
    for (const Param part : {Param::Baud, Param::DataBits, Param::StopBits, Param::Parity}) {
        uart[part] = ValueOf(values, part);
    }
    for (const Value& value : group) uart[value.param] = value.text;
    // The settings kept from the module must make a valid set as well; a
    // module that reported something else cannot be completed (ValueError).
    for (auto& [part, text] : uart) text = CheckValue(part, text).text;
    const std::string shown = uart[Param::Baud] + "," + uart[Param::DataBits] + "," + uart[Param::StopBits] + "," +
                              uart[Param::Parity];
    return SetStep(Param::Baud,
                   UartWireArgument(uart[Param::Baud], uart[Param::DataBits], uart[Param::StopBits],
                                    uart[Param::Parity]),
                   shown);
}

}  // namespace lumiq::fleet
