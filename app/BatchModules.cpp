#include "app/BatchModules.h"

#include "links/AdapterRoutes.h"

namespace lumiq {

std::vector<SearchRoute> BatchSearchRoutes(std::vector<SearchRoute> chosen,
                                           const std::vector<Adapter>& listed, std::uint32_t localIp) {
    if (!chosen.empty())
        return chosen;
    for (const Adapter& adapter : listed) {
        if (adapter.address == localIp && CanSearchOn(adapter))
            return {SearchRouteOf(adapter)};
    }
    std::vector<SearchRoute> every;
    for (const Adapter& adapter : listed) {
        if (CanSearchOn(adapter))
            every.push_back(SearchRouteOf(adapter));
    }
    return every;
}

std::vector<fleet::FoundModule> RegistryModules(const ToolState& state,
                                                const std::vector<SearchRoute>& routes) {
    std::vector<fleet::FoundModule> modules;
    for (int i = 0; i < state.ModuleCount && i < kRegistrySize; ++i) {
        const auto entry = static_cast<std::size_t>(i);
        const SearchRoute* route = RouteByIndex(routes, state.ModuleAdapter[entry]);
        if (route == nullptr && !routes.empty())
            route = &routes.front();
        fleet::FoundModule module;
        module.mac = state.ModuleMac[entry];
        module.ip = state.ModuleIp[entry];
        module.port = state.ModulePort[entry];
        module.byBroadcast = true;
        module.replies = 1;
        if (route != nullptr) {
            module.route = route->route;
            module.onSubnet = OnSubnetOf(*route, module.ip);
        }
        modules.push_back(std::move(module));
    }
    return modules;
}

} // namespace lumiq
