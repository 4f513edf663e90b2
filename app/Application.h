#pragma once
// The program: single-instance check, the main window and the event loop.

namespace lumiq {

// Returns the program's exit code: 0, also when another copy is running.
int RunLumiqConfig(int argc, char** argv);

}  // namespace lumiq
