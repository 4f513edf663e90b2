#pragma once
// ufw's incoming rules and default, from `ufw status verbose`.

#include <string>

#include "cli/FilterChains.h"

namespace lumiq::cli {

struct UfwStatus {
    bool active = false;
    FilterRules rules; // one chain, "ufw", in the listed order
};

UfwStatus ReadUfwStatus(const std::string& listing);

} // namespace lumiq::cli
