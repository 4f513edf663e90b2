#pragma once
// One module's part of a run: its plan, where the current exchange stands,
// what the module reported and how each step ended. The engine drives it;
// front ends only read it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "device/ModuleValues.h"
#include "fleet/FleetPorts.h"
#include "fleet/Plan.h"
#include "fleet/Step.h"

namespace lumiq::fleet {

enum class SessionState : unsigned char {
    Queued, // waiting for room in the parallel window
    Running,
    Done,      // every step ended Ok
    Failed,    // a step ended otherwise; failure() says which
    Cancelled, // the run ended before this module was done
};

std::string_view SessionStateName(SessionState state); // "queued", "running", "done", ...

// Where and how the search saw a module. Its replies count only from that
// address and adapter; answers to the search that had not come by its end
// may still arrive, so nothing answered by a bare "OK" goes out to the
// module until they came or `quietAt` passed. A module that `unicast` may
// be reached at `ip` gets its frames sent there; which replies count stays
// the same.
struct Sighting {
    std::uint32_t ip = 0; // network order; 0: from any address (a serial port, a test)
    int lateAnswers = 0;  // search frames the module has not answered yet
    Millis quietAt = 0;   // when those are no longer waited for
    bool unicast = false; // frames may go straight to `ip` (ReachableByUnicast)
};

class Session {
public:
    Session(std::string mac, Route route, std::unique_ptr<Plan> plan, Sighting sighting = {});

    // The MAC text the module answers to now (a MAC set changes it).
    const std::string& mac() const { return mac_; }
    // The MAC text it had when the run began.
    const std::string& firstMac() const { return firstMac_; }
    const Route& route() const { return route_; }
    // The addresses its replies are taken from: where the search saw it, and
    // a new one it confirmed.
    const std::vector<std::uint32_t>& addresses() const { return addresses_; }
    // Where its next frame goes: its address (network order), or 0 for the
    // broadcast, where it stays once a unicast went unanswered or its
    // address may have changed.
    std::uint32_t unicastTo() const { return unicastTo_; }
    SessionState state() const { return state_; }
    bool finished() const {
        return state_ == SessionState::Done || state_ == SessionState::Failed ||
               state_ == SessionState::Cancelled;
    }
    const ModuleValues& values() const { return values_; }
    // Every step begun, in order; the last one may still be open while running.
    const std::vector<StepRecord>& records() const { return records_; }
    // The step that ended the module, when it failed or was cancelled mid-step.
    const StepRecord* failure() const;
    Plan& plan() { return *plan_; }
    const Plan& plan() const { return *plan_; }

private:
    friend class FleetEngine;
    enum class Phase : unsigned char {
        Pacing,     // waiting to send the step
        Settling,   // holding a step answered by "OK" until earlier answers came
        Awaiting,   // the step is sent and awaits its reply
        ReadingBack // a set's answer did not come: its parameter is read back
    };

    std::string mac_;
    std::string firstMac_;
    std::string pendingMac_; // the new MAC while a MAC set awaits its reply
    Route route_;
    std::vector<std::uint32_t> addresses_;
    std::uint32_t pendingIp_ = 0; // the new address while an IP set awaits its reply
    std::uint32_t unicastTo_ = 0; // frames go straight to this address; 0: broadcast
    bool adoptAddress_ = false;   // after a DHCP set: its next new address on the adapter is its own
    int unanswered_ = 0;          // frames sent whose answers may still come
    Millis quietAt_ = 0;          // when those are no longer waited for
    std::unique_ptr<Plan> plan_;
    SessionState state_ = SessionState::Queued;
    Phase phase_ = Phase::Pacing;
    std::optional<Step> step_; // the step in progress
    bool stepOpen_ = false;    // the step has been sent and its record is records_.back()
    Millis wakeAt_ = 0;        // Pacing: the next send; Awaiting: the end of the wait
    ModuleValues values_;
    std::vector<StepRecord> records_;
};

} // namespace lumiq::fleet
