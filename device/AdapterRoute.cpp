#include "device/AdapterRoute.h"

#include <arpa/inet.h>

#include <algorithm>

#include "device/Frames.h"

namespace lumiq {

std::vector<std::uint32_t> SearchDestinations(const SearchRoute& route) {
    const std::uint32_t everyone = kBroadcastAddress;
    std::vector<std::uint32_t> destinations{everyone};
    if (route.broadcast != 0 && route.broadcast != everyone)
        destinations.push_back(route.broadcast);
    return destinations;
}

const SearchRoute* RouteByIndex(const std::vector<SearchRoute>& routes, unsigned ifindex) {
    if (ifindex == 0)
        return nullptr;
    const auto found = std::find_if(routes.begin(), routes.end(),
                                    [ifindex](const SearchRoute& r) { return r.route.ifindex == ifindex; });
    return found == routes.end() ? nullptr : &*found;
}

bool OnSubnetOf(const SearchRoute& route, std::uint32_t ip) {
    if (route.prefix <= 0 || route.prefix > 32 || route.route.source == 0)
        return false;
    const std::uint32_t mask = route.prefix == 32 ? ~0u : ~(~0u >> route.prefix);
    const std::uint32_t host = ntohl(ip) & ~mask;
    // The subnet's own and broadcast addresses name no one host (a /31 has neither).
    if (route.prefix < 31 && (host == 0 || host == ~mask))
        return false;
    return (ntohl(ip) & mask) == (ntohl(route.route.source) & mask);
}

bool SpansAdapters(const std::vector<SearchRoute>& routes) {
    return std::any_of(routes.begin(), routes.end(),
                       [&](const SearchRoute& r) { return r.route.ifindex != routes.front().route.ifindex; });
}

} // namespace lumiq
