#pragma once
// The adapters the modules can be reached through, and which one the
// window's "自动" choice takes: the same choice as the socket layer makes
// (net/HostAddress.h), given what the host name resolved to.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "doctor/DoctorFinding.h"
#include "net/AdapterList.h"

namespace lumiq::doctor {

// `adapters` as ListAdaptersWithLoopback() gives them; `withoutIpv4`: the
// names of adapters that hold no IPv4 address at all.
Finding CheckAdapters(const std::vector<Adapter>& adapters, const std::vector<std::string>& withoutIpv4);

// `resolved`: the host name's first IPv4 address, none when it does not resolve.
Finding CheckHostName(const std::string& hostName, std::optional<std::uint32_t> resolved,
                      const std::vector<Adapter>& adapters);

// Both, on this host as it is now.
std::vector<Finding> CheckHostAdapters();

} // namespace lumiq::doctor
