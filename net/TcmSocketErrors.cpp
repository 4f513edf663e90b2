// TcmSocket: turning failed socket calls into OnError reports.

#include <cstdio>

#include "net/MessageHook.h"
#include "net/TcmSocket.h"
#include "net/WinsockErrors.h"

namespace lumiq {

int TcmSocket::ErrorCheck(const CallResult& result, const std::string& call) {
    if (!result.failed())
        return result.value;
    const int code = result.error;
    // A failure while the socket is being opened leaves nothing worth
    // keeping: the socket is closed before the failed call is reported.
    if (code != kWsaWouldBlock && !active_ && socket_ != -1 && !closing_) {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%04X", static_cast<unsigned>(code));
        ShowError(std::string("!!!!!!!!socket closed for error") + hex, 0);
        Close();
    }
    ShowError(call, code);
    return -1;
}

void TcmSocket::ShowError(const std::string& text, int code) {
    if (!OnError || destroying_)
        return;
    const std::string message = code > 0 ? text + " : " + MapErrorCode(code) : text;
    raise(OnError, code, message);
}

void TcmSocket::ShowMessage(const std::string& text) const {
    ShowSocketMessage(text);
}

std::string TcmSocket::MapErrorCode(int code) {
    return WinsockErrorText(code);
}

} // namespace lumiq
