#pragma once
// The network side of a command: the adapters the request chooses, UDP port
// 5000, and the search on them, run on the Qt loop until the wait is over
// or --expect is met. A command that names its modules waits all the same:
// a second module answering with the same MAC or address must be seen
// before anything is sent to either.

#include <vector>

#include "cli/Request.h"
#include "cli/UdpModulePort.h"
#include "cli/WorkLoop.h"
#include "fleet/ModuleSearch.h"

namespace lumiq::cli {

struct SearchResult {
    std::vector<fleet::FoundModule> found; // by adapter, then address
    bool interrupted = false;
    fleet::Millis origin = 0; // when the search began
    fleet::Millis elapsedMs = 0;
};

class NetworkSearch {
public:
    // Throws UsageError for an adapter name no adapter has, Unusable when no
    // adapter is left or port 5000 cannot be had.
    NetworkSearch(const Request& request, Interrupt& interrupt);

    SearchResult run(const fleet::SearchOptions& options);

    const std::vector<Adapter>& adapters() const { return chosen_; }
    UdpModulePort& port() { return port_; }
    WorkLoop& loop() { return loop_; }

private:
    std::vector<Adapter> listed_;
    std::vector<Adapter> chosen_;
    UdpModulePort port_;
    WorkLoop loop_;
};

} // namespace lumiq::cli
