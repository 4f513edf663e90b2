#pragma once
// This computer's own IPv4 address. Debian resolves the host name to a
// loopback address (127.0.1.1, or 127.0.0.1 on some machines); bound there,
// the tool would never reach a module, so an adapter's address is taken
// instead.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "net/AdapterList.h"

namespace lumiq {

// The host's own address given the one its name resolved to: that address when
// an adapter holds it and it is not loopback, else the first address of an
// adapter that is up, is not loopback and can broadcast; when there is no such
// adapter, the resolved address all the same.
// `adapters` as ListAdaptersWithLoopback() gives them.
std::uint32_t ChooseLocalAddress(std::uint32_t resolved, const std::vector<Adapter>& adapters);

// The first IPv4 address of a host name from the host database (/etc/hosts,
// DNS, ...), in the database's own order.
std::optional<std::uint32_t> ResolveFirstIpv4(const std::string& name);

// The index of the adapter that holds `address`; 0 when none does.
unsigned InterfaceIndexOf(std::uint32_t address);

} // namespace lumiq
