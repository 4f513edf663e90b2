#pragma once
// Once the search has seen every module: no module is to take a MAC or an
// address that another module found holds, nor the network or broadcast
// address of its subnet.

#include <functional>
#include <vector>

#include "device/ValueRules.h"
#include "fleet/ModuleSearch.h"

namespace lumiq::fleet {

// Refuses a new MAC or address for one of `modules` that another module of
// `found` holds already, and an address that is the network or broadcast
// address of the subnet by the mask given with it. `wanted` gives what a
// module is to get. Throws InputError naming the value, the module and,
// where one holds it, the other module.
void RefuseTakenIdentity(const std::vector<const FoundModule*>& modules,
                         const std::vector<FoundModule>& found,
                         const std::function<std::vector<Value>(const FoundModule&)>& wanted);

} // namespace lumiq::fleet
