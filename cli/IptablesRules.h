#pragma once
// The filter table's INPUT chain and the chains it jumps to, from the rule
// lines that `iptables -S` prints ("-P INPUT DROP", "-A INPUT -p udp ...").

#include <string>

#include "cli/FilterChains.h"

namespace lumiq::cli {

// What it cannot judge (an address, a rate, an unknown match) becomes Maybe.
FilterRules ReadIptablesRules(const std::string& listing);

} // namespace lumiq::cli
