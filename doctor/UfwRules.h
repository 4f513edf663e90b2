#pragma once
// ufw's incoming rules and default, from `ufw status verbose`.

#include <string>

#include "doctor/FilterChains.h"

namespace lumiq::doctor {

struct UfwStatus {
    bool active = false;
    FilterRules rules; // one chain, "ufw", in the listed order
};

UfwStatus ReadUfwStatus(const std::string& listing);

} // namespace lumiq::doctor
