#pragma once
// The window's information log of its last session, kept when the window
// closes so that a support bundle can take it along:
// $XDG_STATE_HOME/lumiq-config/information.log (or ~/.local/state/...).

#include <string>
#include <string_view>

namespace lumiq {

// Empty when the user has no home folder.
std::string InformationLogPath();

// Replaces the kept log with `utf8`. False when it cannot be written; nobody
// is told, the log is a courtesy to support.
bool KeepInformationLog(std::string_view utf8) noexcept;

} // namespace lumiq
