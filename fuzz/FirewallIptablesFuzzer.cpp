// The iptables reader and the judge on any text `iptables -S` could print:
// odd lines and quotes, jumps to missing chains, to themselves, in circles.

#include <cstddef>
#include <cstdint>
#include <string>

#include "doctor/IptablesRules.h"
#include "fuzz/FirewallJudging.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    lumiq::fuzz::JudgeAndCheck(
        lumiq::doctor::ReadIptablesRules(std::string(reinterpret_cast<const char*>(data), size)));
    return 0;
}
