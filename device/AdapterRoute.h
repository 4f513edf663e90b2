#pragma once
// How frames reach the modules behind one adapter of the host: they leave
// through it, from its address, with its MAC text as the envelope's sender
// field, so that a module answers to the adapter it heard. The window's
// search on chosen adapters and the multi-module engine share it.

#include <cstdint>
#include <string>
#include <vector>

namespace lumiq {

struct AdapterRoute {
    unsigned ifindex = 0;
    std::uint32_t source = 0; // network order
    std::string localMac;     // "xx:xx:xx:xx:xx:xx"
    std::string adapter;      // "eth0", for people
};

// An adapter a search goes out on.
struct SearchRoute {
    AdapterRoute route;
    std::uint32_t broadcast = 0; // directed broadcast, network order; 0: none
    int prefix = 0;              // of the adapter's address (24 for a /24); 0: its subnet unknown
};

// Where the search frame goes on one adapter: the limited broadcast, which
// modules set up for another network still hear, and the adapter's directed
// broadcast, which some networks pass where they drop the limited one.
std::vector<std::uint32_t> SearchDestinations(const SearchRoute& route);

// The first route through interface `ifindex`; null for none, and for 0.
const SearchRoute* RouteByIndex(const std::vector<SearchRoute>& routes, unsigned ifindex);

// `ip` (network order) is a host address on the subnet of the route's
// adapter, so that a datagram to it goes straight to its owner rather than
// through a router or to everyone. False while the prefix is unknown.
bool OnSubnetOf(const SearchRoute& route, std::uint32_t ip);

// More than one adapter among the routes.
bool SpansAdapters(const std::vector<SearchRoute>& routes);

} // namespace lumiq
