#pragma once
// The adapters a search goes out on; the route through each is
// device/AdapterRoute.h's, made from an adapter by links/AdapterRoutes.h.

#include <string>
#include <vector>

#include "device/AdapterRoute.h"
#include "net/AdapterList.h"

namespace lumiq::cli {

// Adapters that are up and can broadcast; `names` (adapter names or
// addresses, "all" for every one) picks among them, empty meaning all.
// Throws UsageError for a name no adapter has, Unusable when none is left.
std::vector<Adapter> ChooseAdapters(const std::vector<Adapter>& listed,
                                    const std::vector<std::string>& names);

} // namespace lumiq::cli
