#pragma once
// What to do with one module, step by step. A plan may look at what the
// module has reported so far before it names its next step (a partial UART
// change must first read the other UART settings).

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "device/ModuleValues.h"
#include "device/ValueRules.h"
#include "fleet/Step.h"

namespace lumiq::fleet {

class Plan {
public:
    virtual ~Plan() = default;
    // The next step, or nothing when the plan is complete. Asked only after
    // the previous step ended Ok.
    virtual std::optional<Step> next(const ModuleValues& values) = 0;
};

class StepList : public Plan {
public:
    explicit StepList(std::vector<Step> steps) : steps_(steps.begin(), steps.end()) {}
    std::optional<Step> next(const ModuleValues& values) override;

private:
    std::deque<Step> steps_;
};

// The read-all chain of the command table: the link test, every parameter in
// the module's order, the firmware version.
std::vector<Step> ReadAllSteps();

std::unique_ptr<Plan> ReadAllPlan();
// The queries for the given parameters, in the read-all order; the UART
// settings are read once for all four.
std::unique_ptr<Plan> QueryPlan(const std::vector<Param>& params);
// The factory default, then after 2000 ms the read-all chain.
std::unique_ptr<Plan> DefaultPlan();

// Writes checked values in the one-key order (MAC last), then reads back
// every parameter it wrote. A UART change that names only some of the four
// settings reads the others first, and a new address without a new mask
// reads the mask first, to check the address against it. Two values for one
// parameter: the last one counts.
class SetPlan : public Plan {
public:
    explicit SetPlan(std::vector<Value> values);
    std::optional<Step> next(const ModuleValues& values) override;

    // The values to write, the last for each parameter; what the read-back
    // after them found, once it is done.
    const std::vector<Value>& asked() const { return asked_; }
    const ModuleValues& readBack() const { return readBack_; }
    bool readBackDone() const { return phase_ == Phase::Done; }

    // The set step for one group of values (a UART group merges with what
    // was read); public for plans that write computed differences.
    static Step StepFor(const std::vector<Value>& group, const ModuleValues& values);
    // The queries that read the given parameters, each once, in the read-all order.
    static std::vector<Step> QueriesFor(const std::vector<Param>& params);

private:
    enum class Phase : unsigned char { ReadBefore, Write, ReadAfter, Done };
    std::vector<Value> asked_;
    std::deque<std::vector<Value>> groups_; // one set command each, in order
    std::deque<Step> steps_;
    Phase phase_ = Phase::ReadBefore;
    ModuleValues readBack_;
};

// A module's address must not be the network or the broadcast address of its
// subnet. `values` are what it holds; `wanted` what it will be given. Throws
// ValueError for the address.
void CheckAddressInSubnet(const std::vector<Value>& wanted, const ModuleValues& values);

} // namespace lumiq::fleet
