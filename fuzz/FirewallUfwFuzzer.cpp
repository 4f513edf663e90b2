// The ufw reader and the judge on any text `ufw status verbose` could print.

#include <cstddef>
#include <cstdint>
#include <string>

#include "doctor/UfwRules.h"
#include "fuzz/FirewallJudging.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const lumiq::doctor::UfwStatus status =
        lumiq::doctor::ReadUfwStatus(std::string(reinterpret_cast<const char*>(data), size));
    lumiq::fuzz::JudgeAndCheck(status.rules);
    return 0;
}
