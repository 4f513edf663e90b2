#pragma once
// A line station: modules arrive factory-fresh, one or a few at a time, and
// each leaves with its own identity, read back, and on record.
//
// The station searches the adapters again and again. Each module that
// answers and is not done yet gets the next sequence number and address of
// the pools (IdentityPools.h) in the order the modules first answered; the
// address is first asked for on the module's LAN (AddressProbe.h), and one
// that somebody answers for is skipped, logged and never given. Then the
// module is brought to the profile and its identity the way apply does it
// (ApplyPlan: write what differs, read it back), several modules at once.
// With `verifyAfterRestart` a module counts as done only once it has gone
// from the searches and come back with everything it was given.
//
// The log (CommissionLog.h) is the station's memory. The identity a module
// gets is logged before the first frame goes to it, so that even a crash in
// the middle never lets the number or address be handed out again, and the
// module's end is logged as a row of its own.
//
// Like the engine, it never blocks and never reads a clock: the front end
// hands it datagrams, ARP packets and the time, and asks when to wake it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/ValueRules.h"
#include "fleet/AddressProbe.h"
#include "fleet/ApplyPlan.h"
#include "fleet/CommissionLog.h"
#include "fleet/FleetEngine.h"
#include "fleet/IdentityPools.h"
#include "fleet/ModuleSearch.h"

namespace lumiq::fleet {

struct StationOptions {
    int searchWaitMs = 1000; // one search's wait for answers
    int intervalMs = 1000;   // from a search's end to the next one
    bool verifyAfterRestart = false;
    bool probe = true;   // ask the LAN before an address is given
    int count = 0;       // modules to commission, then end; 0: until stopped
    int unicastRoom = 0; // modules that may be reached by unicast (the host's neighbour table)
    EngineOptions engine;
};

// Where a module stands. A module whose apply failed waits to be taken
// away: it is tried again only once it has gone and come back.
enum class StationStage : unsigned char {
    Probing,  // its address is being asked for on the LAN
    Applying, // the profile and its identity are being written and read back
    Waiting,  // applied; waiting for it to go (a power cycle) and come back
    Gone,     // it went; waiting for it to come back
    Checking, // back: everything it was given is read again
    Done,
    Failed,
};

std::string_view StationStageName(StationStage stage);

// A module's time as the log and the terminal show it: "4.1" (seconds).
std::string SecondsText(Millis ms);

// One module's attempt.
struct StationModule {
    std::string mac; // as the module wrote it
    Route route;
    std::uint32_t ipBefore = 0; // network order, where the search saw it first
    unsigned number = 0;
    std::uint32_t address = 0; // given, network order; 0 without an ip pool
    std::vector<Value> wanted; // everything it is to hold
    StationStage stage = StationStage::Probing;
    Millis foundAt = 0;
    Millis endedAt = 0;
    ApplyResult result = ApplyResult::Unchanged;
    std::string detail;       // why it failed, what was lost
    std::string written;      // "ip=10.1.0.111; name=Press-012"
    std::string verification; // "", "verified", "lost name, ip", "not back", "interrupted"
    FoundModule seen;         // its last answer to a search
    bool seenThisSearch = false;
    bool wentAway = false; // failed, then gone from a search: tried again when it comes back
};

enum class StationEventKind : unsigned char {
    Found,        // a new module: its number and identity are chosen
    AddressTaken, // an address somebody holds was skipped (module: the one it was meant for)
    Applying,     // its address is free: frames go out
    Waiting,      // applied; now waiting for its restart
    Gone,         // it went from the searches
    Back,         // it came back: checking
    Done,
    Failed,
    Skipped, // the log shows it done: left alone (once per module and run)
    Refused, // two modules answer with one MAC: left alone (once per MAC and run)
};

struct StationEvent {
    StationEventKind kind;
    const StationModule* module = nullptr; // null for Skipped and Refused
    std::string mac;                       // the module's MAC text
    std::uint32_t address = 0;             // AddressTaken: the address skipped
    std::string holder;                    // AddressTaken: who answered for it
};

class StationEvents {
public:
    virtual ~StationEvents() = default;
    virtual void onStationEvent(const StationEvent& event, Millis now) = 0;
};

class Station {
public:
    // `memory`: what the log held when the station started; its numbers and
    // addresses are never handed out, its done modules are left alone.
    // `profile`: what every module is to hold besides the pools' values.
    Station(DatagramPort& port, ProbePort& probes, std::vector<SearchRoute> adapters,
            std::vector<std::uint32_t> ownAddresses, std::vector<std::string> ownMacs,
            std::vector<Value> profile, IdentityPools& pools, const CommissionMemory& memory,
            CommissionLog& log, StationEvents& events, StationOptions options);
    ~Station();
    Station(const Station&) = delete;
    Station& operator=(const Station&) = delete;

    void start(Millis now);
    void onDatagram(const Arrival& arrival, std::string_view datagram, Millis now);
    void onArp(const ArpHeard& heard, Millis now);
    void advance(Millis now);
    std::optional<Millis> nextWake() const;
    bool finished() const;
    // Takes no new module and stops searching; what is being written ends as
    // the engine's stop() lets it. Modules waiting for their restart are
    // logged as not verified.
    void stop(Millis now);
    // Ends at once: open exchanges end cancelled (FleetEngine::cancel()).
    void cancel(Millis now);

    // Why the station stopped by itself ("the ip pool ... has run out"), or "".
    const std::string& stopReason() const { return stopReason_; }
    int doneCount() const { return done_; }
    int failedCount() const { return failed_; }
    // Modules being probed, written or checked, or waiting for a restart.
    const std::vector<std::unique_ptr<StationModule>>& modules() const { return modules_; }
    // "3 done, 1 failed, 2 at work"
    std::string progress() const;

private:
    struct Batch; // one engine run: the modules that became ready together

    void afterSearch(Millis now);
    void takeNew(const FoundModule& found, Millis now);
    void chooseAnother(StationModule& module, Millis now);
    std::vector<StationModule*> settleAddresses(const std::vector<StationModule*>& probing, Millis now);
    void logTaken(const StationModule& module, const std::string& holder, Millis now);
    void afterProbes(Millis now);
    void startBatch(std::vector<StationModule*> modules, bool check, Millis now);
    void afterBatches(Millis now);
    void endApply(StationModule& module, const Session& session, Millis now);
    void endCheck(StationModule& module, const Session& session, Millis now);
    void finish(StationModule& module, StationStage stage, Millis now);
    void logModule(const StationModule& module, std::string_view result, bool done, Millis now);
    void emit(StationEventKind kind, const StationModule* module, Millis now);
    void close(std::string reason);
    bool taking() const;
    bool searching() const;
    bool busy() const; // a module is being probed, written or checked
    StationModule* moduleOf(const std::string& mac);
    Sighting sightingOf(const FoundModule& found);

    DatagramPort& port_;
    AddressProbe probe_;
    std::vector<SearchRoute> adapters_;
    std::vector<std::uint32_t> own_;
    std::vector<Value> profile_;
    IdentityPools& pools_;
    CommissionLog& log_;
    StationEvents& events_;
    StationOptions options_;
    std::vector<std::string> doneBefore_; // lower-case MACs the log shows done

    std::unique_ptr<ModuleSearch> search_;
    Millis nextSearchAt_ = 0;
    std::vector<std::unique_ptr<StationModule>> modules_; // the current attempt of each module
    std::vector<std::unique_ptr<Batch>> batches_;
    std::vector<std::string> told_; // lower-case MACs already reported Skipped or Refused
    bool closed_ = false;           // no new module: the count is reached, or a pool ran out
    int done_ = 0;
    int failed_ = 0;
    bool started_ = false;
    bool stopping_ = false;
    bool cancelled_ = false;
    std::string stopReason_;
};

} // namespace lumiq::fleet
