#include "sim/SimModule.h"

#include "sim/CommandSet.h"
#include "sim/UdpEnvelope.h"

namespace lumiq::sim {
namespace {

// "AT+NAME=x" when NAME is refused; "AT+NAME=?" is a query and still answered.
bool RefusedSet(std::string_view command, std::string_view keyword) {
    if (keyword.empty() || !command.starts_with("AT+") || !command.substr(3).starts_with(keyword))
        return false;
    const std::string_view rest = command.substr(3 + keyword.size());
    return rest.starts_with("=") && rest != "=?";
}

} // namespace

SimModule::SimModule(ModuleSetup setup) : setup_(std::move(setup)), params_(setup_.factory) {}

const std::string& SimModule::mac() const {
    return params_.at("MAC");
}

bool SimModule::isAddressedBy(std::string_view target) const {
    return target == mac() || (target == kAllModulesMac && !setup_.faults.hidden);
}

bool SimModule::hear(std::optional<std::string_view> target) {
    if (target && *target == mac())
        ++heard_.own;
    else if (target && *target == kAllModulesMac)
        ++heard_.search;
    else
        ++heard_.other;
    return target && isAddressedBy(*target);
}

SimModule::Answer SimModule::answer(std::optional<std::string_view> command, bool withHeader) {
    Faults& faults = setup_.faults;
    if (faults.silent)
        return {};
    std::string write;
    if (!faults.malformed.empty()) {
        write = MalformedBytes(faults.malformed.front(), mac());
        faults.malformed.pop_front();
    } else {
        std::string payload;
        if (faults.wrongAnswers > 0) {
            --faults.wrongAnswers;
            payload = kErrorReply;
        } else if (!command || RefusedSet(*command, faults.refused)) {
            payload = kErrorReply;
        } else {
            payload = ExecuteCommand(*command, params_, setup_.factory);
        }
        // Built after the command ran: the reply to "AT+MAC=" already
        // carries the new MAC text.
        write = (withHeader ? ReplyHeader(mac()) : std::string()) + payload;
    }
    Answer answer{{write}, faults.delayMs};
    if (faults.twice)
        answer.writes.push_back(write);
    return answer;
}

void SimModule::reset() {
    params_ = setup_.factory;
    setup_.faults = Faults{};
}

void SimModule::unplug() {
    setup_.plugged = false;
    powerUpDue_.reset();
}

void SimModule::powerUp() {
    for (const std::string& keyword : setup_.faults.forgotten) {
        if (const auto factory = setup_.factory.find(keyword); factory != setup_.factory.end())
            params_[keyword] = factory->second;
    }
    // The IP parameter passed the module's own check when it was set.
    if (const auto ip = params_.find("IP"); ip != params_.end() && IsDottedQuad(ip->second))
        setup_.address = ip->second;
    setup_.plugged = true;
    powerUpDue_.reset();
    ++powerUps_;
}

void SimModule::powerCycle(Clock::time_point backAt) {
    unplug();
    powerUpDue_ = backAt;
}

} // namespace lumiq::sim
