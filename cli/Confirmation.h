#pragma once
// The question a factory default asks on a terminal before anything is
// restored.

#include <string>
#include <vector>

namespace lumiq::cli {

class Interrupt;

// Lists `modules` on stderr and asks; true for an answer of y or yes. An
// end of input or Ctrl+C is no.
bool ConfirmDefault(const std::vector<std::string>& modules, const Interrupt& interrupt);

} // namespace lumiq::cli
