#include "links/AdapterRoutes.h"

#include "device/Frames.h"
#include "state/AddressText.h"

namespace lumiq {

bool CanSearchOn(const Adapter& adapter) {
    return adapter.up && adapter.canBroadcast && adapter.address != 0;
}

AdapterRoute RouteOf(const Adapter& adapter) {
    // An adapter without a hardware address (a tunnel) still needs a sender field.
    const std::string mac = adapter.macText.empty() ? std::string(kEveryModuleMac) : adapter.macText;
    return AdapterRoute{adapter.index, adapter.address, mac, adapter.name};
}

SearchRoute SearchRouteOf(const Adapter& adapter) {
    return SearchRoute{RouteOf(adapter), adapter.broadcast, adapter.prefix};
}

const Adapter* ChosenAdapter(const AdapterChoice& choice, const std::vector<Adapter>& listed) {
    if (choice.mode != AdapterMode::One)
        return nullptr;
    const Adapter* byName = nullptr;
    for (const Adapter& adapter : listed) {
        if (adapter.name != choice.name)
            continue;
        if (IpToText(adapter.address) == choice.address)
            return &adapter;
        if (byName == nullptr)
            byName = &adapter;
    }
    return byName;
}

std::vector<SearchRoute> ChosenRoutes(const AdapterChoice& choice, const std::vector<Adapter>& listed) {
    std::vector<SearchRoute> routes;
    if (choice.mode == AdapterMode::Every) {
        for (const Adapter& adapter : listed)
            if (CanSearchOn(adapter))
                routes.push_back(SearchRouteOf(adapter));
    } else if (const Adapter* chosen = ChosenAdapter(choice, listed)) {
        routes.push_back(SearchRouteOf(*chosen));
    }
    return routes;
}

} // namespace lumiq
