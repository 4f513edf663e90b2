#pragma once
// What the batch dialog starts from: the modules of the window's last search,
// each with the route its frames take, and the adapters its own 搜索 goes
// out on, both as the window's search used them.

#include <cstdint>
#include <vector>

#include "device/AdapterRoute.h"
#include "fleet/ModuleSearch.h"
#include "net/AdapterList.h"
#include "state/ToolState.h"

namespace lumiq {

// `chosen`: the window's chosen adapters (通讯方式 > 网卡), empty for 自动,
// which searches through the adapter of `localIp` (network order), or every
// adapter a search can use when that one is not listed.
std::vector<SearchRoute> BatchSearchRoutes(std::vector<SearchRoute> chosen,
                                           const std::vector<Adapter>& listed, std::uint32_t localIp);

// The registry's modules. An entry kept without its adapter (a search as
// 自动) takes the first of `routes`. Each is reached by broadcast: the
// registry does not know whether it answered this host's address.
std::vector<fleet::FoundModule> RegistryModules(const ToolState& state,
                                                const std::vector<SearchRoute>& routes);

} // namespace lumiq
