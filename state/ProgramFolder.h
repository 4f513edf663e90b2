#pragma once
// Where the running program file lives, for the files that sit beside it
// (CFG.ini, the message catalogs).

#include <string>

namespace lumiq {

// The folder of the program file, ending in "/"; empty when it cannot be read.
std::string ProgramFolder();

} // namespace lumiq
