#pragma once
// The search on one adapter or many: on each, the search frame is broadcast
// to 255.255.255.255 and to the adapter's own directed broadcast address, so
// that every module answers (most of them twice). Every answer is kept with
// the adapter it arrived on, the sender, and whether it came by broadcast;
// modules that share a MAC text or an IP address are flagged, and those that
// the engine may reach by unicast are told apart.
//
// Like the engine, it never blocks and never reads a clock.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/FleetPorts.h"

namespace lumiq::fleet {

using SearchAdapter = SearchRoute;

struct FoundModule {
    std::string mac; // as the module wrote it (GBK bytes, normally ASCII)
    std::uint32_t ip = 0;
    std::uint16_t port = 0;
    Route route;              // the adapter of its first answer
    bool byBroadcast = false; // its first answer
    bool answeredUs = false;  // an answer came to this host's own address, not by broadcast
    bool onSubnet = false;    // its address is on the subnet of the adapter it answered on
    int replies = 0;
    int searchFrames = 0;      // search frames sent on its adapter (framesSentTo)
    bool duplicateMac = false; // another module answered with this MAC text
    bool duplicateIp = false;  // another module answered from this address
    Millis firstAt = 0;
};

// Frames may go straight to the module's address: it is on the subnet of
// the adapter it answered on, it answered to this host's address (so it can
// be reached without a broadcast), and no other module answered from that
// address (factory-fresh modules often share one).
bool ReachableByUnicast(const FoundModule& module);

struct SearchOptions {
    int waitMs = 1000; // per round, after the frames went out
    int expect = 0;    // end as soon as this many modules answered; 0: wait out every round
    int rounds = 1;    // repeat and merge, for answers lost in a burst
};

class ModuleSearch {
public:
    // `own`: this host's addresses; our own broadcasts come back from them.
    ModuleSearch(DatagramPort& port, std::vector<SearchAdapter> adapters, SearchOptions options,
                 std::vector<std::uint32_t> own);

    void start(Millis now);
    void onDatagram(const Arrival& arrival, std::string_view datagram, Millis now);
    void advance(Millis now);
    std::optional<Millis> nextWake() const;
    bool finished() const;
    void cancel() { cancelled_ = true; }

    // In the order of their first answers; one entry per MAC and address.
    const std::vector<FoundModule>& found() const { return found_; }
    // Search frames that went out on the module's adapter: a module hears
    // each of them (most networks pass both broadcasts) and answers each.
    int framesSentTo(const FoundModule& module) const;

private:
    void sendRound();

    DatagramPort& port_;
    std::vector<SearchAdapter> adapters_;
    SearchOptions options_;
    std::vector<std::uint32_t> own_;
    std::vector<FoundModule> found_;
    int roundsSent_ = 0;
    Millis roundEnds_ = 0;
    bool started_ = false;
    bool cancelled_ = false;
};

} // namespace lumiq::fleet
