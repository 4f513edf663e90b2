#include "net/MessageHook.h"

#include <cstdio>

namespace lumiq {

namespace {

// Set and used on the GUI thread only.
SocketMessageHook& Hook() {
    static SocketMessageHook hook;
    return hook;
}

} // namespace

void SetSocketMessageHook(SocketMessageHook hook) {
    Hook() = std::move(hook);
}

void ShowSocketMessage(const std::string& utf8Text) {
    // A copy: the hook may replace itself while it runs.
    const SocketMessageHook hook = Hook();
    if (hook) {
        hook(utf8Text);
        return;
    }
    std::fprintf(stderr, "%s\n", utf8Text.c_str());
}

} // namespace lumiq
