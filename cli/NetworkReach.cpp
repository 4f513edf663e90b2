#include "cli/NetworkReach.h"

#include <algorithm>
#include <iostream>

#include "cli/EngineRun.h"
#include "state/AddressText.h"

namespace lumiq::cli {

NetworkReach::NetworkReach(const Request& request, Interrupt& interrupt)
    : request_(request), network_(request, interrupt) {}

ReachedModules NetworkReach::find(bool writes, Report& report) {
    report.adapters = network_.adapters();
    // A write goes to a MAC, and every module with that MAC takes it: the
    // search waits its whole time for a second one, whatever --expect says.
    fleet::SearchOptions options = request_.search;
    if (writes)
        options.expect = 0;
    search_ = network_.run(options);
    report.searchMs = search_.elapsedMs;
    ReachedModules reached{ResolveTargets(request_.targets, search_.found), search_.interrupted, false};
    if (!search_.interrupted && search_.found.empty()) {
        std::cerr << "lumiq: no module answered the search on " << report.adapters.size()
                  << (report.adapters.size() == 1 ? " adapter" : " adapters") << '\n';
        reached.noneAnswered = true;
    }
    return reached;
}

std::string NetworkReach::nameOf(const Resolved& module) const {
    return module.module->mac + "  " + IpToText(module.module->ip) + "  on " + module.module->route.adapter;
}

void NetworkReach::open() {
    options_ = EngineOptionsOf(request_, network_.port().ownAddresses());
    engine_ = std::make_unique<fleet::FleetEngine>(network_.port(), options_);
}

const fleet::Session& NetworkReach::add(const Resolved& module, std::unique_ptr<fleet::Plan> plan) {
    const fleet::FoundModule& found = *module.module;
    // Answers to the search that had not come by its end may still come;
    // no later than an exchange's time-out after the module's first one.
    // Unicast only while the host's neighbour table has room for it: past
    // that, modules get broadcast like any other (net/NeighbourRoom.h).
    const bool unicast = !request_.broadcast && fleet::ReachableByUnicast(found) && unicastRoom_ > 0;
    if (unicast)
        --unicastRoom_;
    const fleet::Sighting sighting{found.ip, std::max(0, found.searchFrames - found.replies),
                                   found.firstAt + options_.timeoutMs, unicast};
    return engine_->add(found.mac, found.route, std::move(plan), sighting);
}

bool NetworkReach::run(std::string_view command) {
    UdpModulePort& port = network_.port();
    WorkLoop& loop = network_.loop();
    port.setReceiver([&](const fleet::Arrival& arrival, std::string_view datagram) {
        loop.deliver([&](fleet::Millis now) { engine_->onDatagram(arrival, datagram, now); });
    });
    const bool ended = RunEngine(*engine_, command, loop);
    port.setReceiver({});
    return ended;
}

} // namespace lumiq::cli
