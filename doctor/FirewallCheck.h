#pragma once
// Would the host firewall let a module's datagram in? Each firewall present
// is asked through its own tool (nft, iptables, ufw, firewall-cmd); one that
// is not installed is not checked, and the finding says so.

#include <optional>
#include <string>
#include <vector>

#include "doctor/DoctorFinding.h"
#include "doctor/FilterChains.h"
#include "doctor/ProgramOutput.h"

namespace lumiq::doctor {

// Why `program`'s listing cannot be judged (not installed, no answer within
// the limits, failed, not root), or nothing when it can.
std::optional<Finding> UncheckedFinding(const std::string& check, const std::string& program,
                                        const ProgramOutput& output, const ProgramLimits& limits);

// The finding for a judged ruleset; `remedy` lets UDP to port 5000 in.
Finding FirewallFinding(const std::string& check, const FilterVerdict& verdict, const std::string& remedy);

// `firewall-cmd --list-ports`: "22/tcp 5000/udp 6000-6100/udp".
bool FirewalldPortsAdmit(const std::string& ports);

std::vector<Finding> CheckFirewalls();

} // namespace lumiq::doctor
