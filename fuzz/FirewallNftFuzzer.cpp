// The nftables reader and the judge on any text `nft -j list ruleset` could
// print: a ruleset of any form, jumps in loops, sets that name sets.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "doctor/NftRules.h"
#include "fuzz/FirewallJudging.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lumiq::doctor::FilterRules rules;
    try {
        rules = lumiq::doctor::ReadNftRuleset(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const std::runtime_error&) {
        return 0; // no ruleset: the doctor says so
    }
    lumiq::fuzz::JudgeAndCheck(rules);
    return 0;
}
