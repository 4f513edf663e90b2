#include "cli/SearchAdapters.h"

#include <algorithm>

#include "cli/ExitStatus.h"
#include "links/AdapterRoutes.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

std::string WhyUnusable(const Adapter& adapter) {
    if (!adapter.up)
        return "is down";
    if (!adapter.canBroadcast)
        return "cannot broadcast";
    return "has no address";
}

} // namespace

std::vector<Adapter> ChooseAdapters(const std::vector<Adapter>& listed,
                                    const std::vector<std::string>& names) {
    const bool every = names.empty() || std::find(names.begin(), names.end(), "all") != names.end();
    std::vector<Adapter> chosen;
    if (every) {
        std::copy_if(listed.begin(), listed.end(), std::back_inserter(chosen), CanSearchOn);
        if (chosen.empty())
            throw Unusable("no network adapter is up that can broadcast (lumiq adapters lists them)");
        return chosen;
    }
    for (const std::string& name : names) {
        std::vector<const Adapter*> matches;
        for (const Adapter& adapter : listed) {
            if (adapter.name == name || IpToText(adapter.address) == name)
                matches.push_back(&adapter);
        }
        if (matches.empty())
            throw UsageError("no adapter " + name + " (lumiq adapters lists them)");
        for (const Adapter* adapter : matches) {
            if (!CanSearchOn(*adapter))
                throw Unusable("adapter " + AdapterLabel(*adapter) + " " + WhyUnusable(*adapter));
            const bool taken = std::any_of(chosen.begin(), chosen.end(), [&](const Adapter& a) {
                return a.index == adapter->index && a.address == adapter->address;
            });
            if (!taken)
                chosen.push_back(*adapter);
        }
    }
    return chosen;
}

} // namespace lumiq::cli
