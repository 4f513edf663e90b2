#pragma once
// lumiq-config --help and --version: answered from the command line alone,
// before any application object exists, so that neither opens the window
// nor needs a display. Every other argument is left to Qt, which takes its
// own options (-platform, -style, ...) and ignores the rest.

#include <optional>

namespace lumiq {

// The exit status when argv asks for the help or the version (0, or 1 when
// stdout cannot be written), nullopt when the program is to run.
std::optional<int> AnswerHelpOrVersion(int argc, char** argv);

} // namespace lumiq
