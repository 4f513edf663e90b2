#pragma once
// The filter table's INPUT chain and the chains it jumps to, from the rule
// lines that `iptables -S` prints ("-P INPUT DROP", "-A INPUT -p udp ...").

#include <string>

#include "doctor/FilterChains.h"

namespace lumiq::doctor {

// What it cannot judge (an address, a rate, an unknown match) becomes Maybe.
FilterRules ReadIptablesRules(const std::string& listing);

} // namespace lumiq::doctor
