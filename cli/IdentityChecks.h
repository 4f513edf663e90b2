#pragma once
// What set and apply check once the search has seen every module: no module
// is to take a MAC or address that another one holds (fleet/TakenIdentities.h),
// refused as a usage error before anything is written.

#include <functional>
#include <vector>

#include "device/ValueRules.h"
#include "fleet/ModuleSearch.h"

namespace lumiq::cli {

// Refuses a new MAC or address for a module that another module found holds
// already, and an address that is the network or broadcast address of the
// subnet by the mask given with it. `wanted` gives what a module is to get.
void RefuseTakenIdentity(const std::vector<const fleet::FoundModule*>& modules,
                         const std::vector<fleet::FoundModule>& found,
                         const std::function<std::vector<Value>(const fleet::FoundModule&)>& wanted);

} // namespace lumiq::cli
