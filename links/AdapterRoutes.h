#pragma once
// The routes through the host's adapters as the adapter list gives them: the
// window's search on chosen adapters and the lumiq command's search turn
// adapters into the protocol's routes here.

#include <vector>

#include "device/AdapterRoute.h"
#include "net/AdapterList.h"
#include "state/AdapterChoice.h"

namespace lumiq {

// Up, able to broadcast and addressed: a search can go out on it.
bool CanSearchOn(const Adapter& adapter);
AdapterRoute RouteOf(const Adapter& adapter);
SearchRoute SearchRouteOf(const Adapter& adapter);

// The routes of the window's choice among `listed` (ListAdapters()): none
// for 自动, every adapter a search can use for 全部网卡, the chosen one when
// it is there (by name and address, else by name: an address may change).
// None, and so 自动, when nothing it names is there.
std::vector<SearchRoute> ChosenRoutes(const AdapterChoice& choice, const std::vector<Adapter>& listed);

// The entry of `listed` an AdapterMode::One choice names; null when gone.
const Adapter* ChosenAdapter(const AdapterChoice& choice, const std::vector<Adapter>& listed);

} // namespace lumiq
