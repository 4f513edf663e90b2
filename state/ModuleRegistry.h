#pragma once
// Operations on the module registry held in ToolState.

#include <cstdint>
#include <functional>
#include <string>

#include "state/ToolState.h"

namespace lumiq {

// Shows one duplicate warning (UTF-8 text). It returns when the operator has
// answered, or at once when the warning only joined the queue behind a box
// already open. While it waits, a nested event loop may register further
// replies.
using DuplicateWarning = std::function<void(const std::string& utf8Text)>;

void ClearModules(ToolState& state);

// Enters a module found by a search, with the interface index its reply
// arrived on (0: not known). Returns the new entry's list line (UTF-8), or
// empty when the registry is full.
std::string AddModule(ToolState& state, std::uint32_t ip, std::uint16_t port, const std::string& mac,
                      const DuplicateWarning& warn, unsigned adapter = 0);

// True when an entry has exactly this MAC text and IP and arrived on `adapter`.
bool HasEntry(const ToolState& state, std::uint32_t ip, const std::string& mac, unsigned adapter);

// "dotted IP:MAC" in UTF-8 (the MAC bytes read as GBK).
std::string EntryText(const ToolState& state, int index);

// The selected entry's MAC bytes; empty when nothing is selected.
std::string SelectedMac(const ToolState& state);

// The interface index the selected entry's reply arrived on; 0 when nothing
// is selected or the index is not known.
unsigned SelectedAdapter(const ToolState& state);

// Gives the selected entry a new MAC (bytes as sent to the module).
void ReplaceSelectedMac(ToolState& state, const std::string& mac);

} // namespace lumiq
