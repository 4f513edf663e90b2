#pragma once
// The input chains of an nftables ruleset, from `nft -j list ruleset`.

#include <string>

#include "doctor/FilterChains.h"

namespace lumiq::doctor {

// Chains are named "family table chain". Throws std::runtime_error when the
// text is no nftables JSON document; what it cannot judge becomes Maybe.
FilterRules ReadNftRuleset(const std::string& json);

} // namespace lumiq::doctor
