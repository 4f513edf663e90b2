#pragma once
// Where the socket component's ShowMessage goes. This library has no widgets:
// the main window points the hook at its message-box seam; until then, and
// whenever the hook is reset to empty, messages go to standard error.

#include <functional>
#include <string>

namespace lumiq {

using SocketMessageHook = std::function<void(const std::string& utf8Text)>;

// Replaces the hook for the whole process; an empty hook restores the default.
void SetSocketMessageHook(SocketMessageHook hook);

void ShowSocketMessage(const std::string& utf8Text);

} // namespace lumiq
