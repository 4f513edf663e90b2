#pragma once
// Where the latest trace went, kept for whoever collects material for a
// support request: one line with the trace file's absolute path in
// $XDG_STATE_HOME/lumiq-config/last-trace (or ~/.local/state/lumiq-config/).
// The window and the lumiq command both keep it.

#include <string>

namespace lumiq {

// The record's own path; empty when the user has no home folder.
std::string LastTraceRecordPath();

// The path the record holds; empty when there is none.
std::string LastTracePath();

// Notes `tracePath` in the record, replacing what it held. False when the
// record cannot be written: a trace is no worse for it.
bool RememberLastTrace(const std::string& tracePath);

} // namespace lumiq
