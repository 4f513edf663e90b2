#pragma once
// A LAN in memory for the engine's tests: simulated modules (the
// simulator's own module model) take every broadcast frame and answer
// after `latencyMs` of fake time. Frames and replies are recorded.

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "fleet/BatchJob.h"
#include "fleet/FleetEngine.h"
#include "fleet/ModuleSearch.h"
#include "sim/SimModule.h"

namespace lumiq::fleet::testing {

struct SentFrame {
    Millis at;
    std::uint32_t destination;
    std::string bytes;
};

class FakeLan : public DatagramPort {
public:
    explicit FakeLan(int modules, int latencyMs = 2);

    void send(const Route& route, std::uint32_t destination, const std::string& bytes) override;

    sim::SimModule& module(int index) { return *modules_[static_cast<std::size_t>(index)]; }
    std::uint32_t moduleIp(int index) const;
    static Route HostRoute();

    // Runs fake time until the engine (or search) is finished, delivering
    // replies as they fall due; returns the time it ended at.
    Millis run(FleetEngine& engine, Millis limit = 600000);
    Millis run(ModuleSearch& search, Millis limit = 600000);
    Millis run(BatchJob& job, Millis limit = 600000);

    // Frames whose command line starts with `prefix`, to the module `mac`
    // (every frame when `mac` is empty).
    std::vector<SentFrame> framesTo(const std::string& mac, const std::string& prefix = "") const;

    Millis now = 0;
    int dropReplies = 0; // replies lost on the way back, the next ones first

private:
    struct Pending {
        Millis due;
        std::uint32_t from;
        std::string bytes;
    };
    template <class Driven, class Deliver> Millis drive(Driven& driven, Deliver deliver, Millis limit);

    std::vector<std::unique_ptr<sim::SimModule>> modules_;
    std::deque<Pending> pending_;
    std::vector<SentFrame> frames_;
    int latencyMs_;
};

} // namespace lumiq::fleet::testing
