#pragma once
// The adapters a search goes out on, and the route through each.

#include <string>
#include <vector>

#include "fleet/FleetPorts.h"
#include "fleet/ModuleSearch.h"
#include "net/AdapterList.h"

namespace lumiq::cli {

// Adapters that are up and can broadcast; `names` (adapter names or
// addresses, "all" for every one) picks among them, empty meaning all.
// Throws UsageError for a name no adapter has, Unusable when none is left.
std::vector<Adapter> ChooseAdapters(const std::vector<Adapter>& listed, const std::vector<std::string>& names);

// Through the adapter, from its address, with its MAC text as the frames' sender field.
fleet::Route RouteOf(const Adapter& adapter);
fleet::SearchAdapter SearchAdapterOf(const Adapter& adapter);

}  // namespace lumiq::cli
