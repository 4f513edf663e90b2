#include "cli/AdapterChoice.h"

#include <algorithm>

#include "cli/ExitStatus.h"
#include "protocol/Frames.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

bool Usable(const Adapter& adapter) {
    return adapter.up && adapter.canBroadcast && adapter.address != 0;
}

std::string WhyUnusable(const Adapter& adapter) {
    if (!adapter.up) return "is down";
    if (!adapter.canBroadcast) return "cannot broadcast";
    return "has no address";
}

}  // namespace

std::vector<Adapter> ChooseAdapters(const std::vector<Adapter>& listed, const std::vector<std::string>& names) {
    const bool every = names.empty() || std::find(names.begin(), names.end(), "all") != names.end();
    std::vector<Adapter> chosen;
    if (every) {
        std::copy_if(listed.begin(), listed.end(), std::back_inserter(chosen), Usable);
        if (chosen.empty()) throw Unusable("no network adapter is up that can broadcast (lumiq adapters lists them)");
        return chosen;
    }
    for (const std::string& name : names) {
        std::vector<const Adapter*> matches;
        for (const Adapter& adapter : listed) {
            if (adapter.name == name || IpToText(adapter.address) == name) matches.push_back(&adapter);
        }
        if (matches.empty()) throw UsageError("no adapter " + name + " (lumiq adapters lists them)");
        for (const Adapter* adapter : matches) {
            if (!Usable(*adapter)) throw Unusable("adapter " + AdapterLabel(*adapter) + " " + WhyUnusable(*adapter));
            const bool taken = std::any_of(chosen.begin(), chosen.end(), [&](const Adapter& a) {
                return a.index == adapter->index && a.address == adapter->address;
            });
            if (!taken) chosen.push_back(*adapter);
        }
    }
    return chosen;
}

fleet::Route RouteOf(const Adapter& adapter) {
    // An adapter without a hardware address (a tunnel) still needs a sender field.
    const std::string mac = adapter.macText.empty() ? std::string(kEveryModuleMac) : adapter.macText;
    return fleet::Route{adapter.index, adapter.address, mac, adapter.name};
}

fleet::SearchAdapter SearchAdapterOf(const Adapter& adapter) {
    return fleet::SearchAdapter{RouteOf(adapter), adapter.broadcast};
}

}  // namespace lumiq::cli
