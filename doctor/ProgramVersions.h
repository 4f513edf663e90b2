#pragma once
// Which programs and libraries this host runs, for a support request: lumiq
// itself, the window and the simulator found beside it (with the Debian
// package that installed them), the kernel, Qt and the system's release.

#include <string>

namespace lumiq::doctor {

// Lines of "name: what".
std::string ProgramVersions();

} // namespace lumiq::doctor
