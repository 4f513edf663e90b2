#include "protocol/AdapterRoute.h"

#include <algorithm>

#include "protocol/Frames.h"
#include "state/AddressText.h"

namespace lumiq {

bool CanSearchOn(const Adapter& adapter) { return adapter.up && adapter.canBroadcast && adapter.address != 0; }

AdapterRoute RouteOf(const Adapter& adapter) {
    // An adapter without a hardware address (a tunnel) still needs a sender field.
    const std::string mac = adapter.macText.empty() ? std::string(kEveryModuleMac) : adapter.macText;
    return AdapterRoute{adapter.index, adapter.address, mac, adapter.name};
}

SearchRoute SearchRouteOf(const Adapter& adapter) { return SearchRoute{RouteOf(adapter), adapter.broadcast}; }

std::vector<std::uint32_t> SearchDestinations(const SearchRoute& route) {
    const std::uint32_t everyone = ParseIp(kBroadcastText);
    std::vector<std::uint32_t> destinations{everyone};
    if (route.broadcast != 0 && route.broadcast != everyone) destinations.push_back(route.broadcast);
    return destinations;
}

const SearchRoute* RouteByIndex(const std::vector<SearchRoute>& routes, unsigned ifindex) {
    if (ifindex == 0) return nullptr;
    const auto found = std::find_if(routes.begin(), routes.end(),
                                    [ifindex](const SearchRoute& r) { return r.route.ifindex == ifindex; });
    return found == routes.end() ? nullptr : &*found;
}

bool SpansAdapters(const std::vector<SearchRoute>& routes) {
    return std::any_of(routes.begin(), routes.end(),
                       [&](const SearchRoute& r) { return r.route.ifindex != routes.front().route.ifindex; });
}

const Adapter* ChosenAdapter(const AdapterChoice& choice, const std::vector<Adapter>& listed) {
    if (choice.mode != AdapterMode::One) return nullptr;
    const Adapter* byName = nullptr;
    for (const Adapter& adapter : listed) {
        if (adapter.name != choice.name) continue;
        if (IpToText(adapter.address) == choice.address) return &adapter;
        if (byName == nullptr) byName = &adapter;
    }
    return byName;
}

std::vector<SearchRoute> ChosenRoutes(const AdapterChoice& choice, const std::vector<Adapter>& listed) {
    std::vector<SearchRoute> routes;
    if (choice.mode == AdapterMode::Every) {
        for (const Adapter& adapter : listed)
            if (CanSearchOn(adapter)) routes.push_back(SearchRouteOf(adapter));
    } else if (const Adapter* chosen = ChosenAdapter(choice, listed)) {
        routes.push_back(SearchRouteOf(*chosen));
    }
    return routes;
}

}  // namespace lumiq
