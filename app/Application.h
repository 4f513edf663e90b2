#pragma once
// The program: single-instance check, the main window and the event loop.

#include <functional>

namespace lumiq {

class TFrmMain;

// Arms something more on the shown window before the event loop runs (the
// test build's rigging); false ends the program with status 2.
using WindowHook = std::function<bool(TFrmMain& window)>;

// Returns the program's exit code: 0, also when another copy is running.
int RunLumiqConfig(int argc, char** argv, const WindowHook& extraHook = {});

} // namespace lumiq
