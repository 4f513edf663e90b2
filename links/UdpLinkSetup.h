#pragma once
// Setting the UDP link up while the main window is built, and taking it down
// when the window closes.

#include <cstdint>

#include "device/Frames.h" // kModulePort
#include "net/TcmSocket.h"
#include "state/ToolState.h"

namespace lumiq {

inline constexpr int kLinkBufferSize = 65535;
// A search makes a full registry of 256 modules answer, maybe twice, while the
// window may sit in a modal box; each small datagram costs the kernel about
// 830 bytes of buffer. The kernel doubles the size asked for.
inline constexpr int kLinkKernelReceiveBuffer = 1 << 20;

// The window's handlers for the socket's five events.
struct UdpLinkHandlers {
    TcmSocket::ReceiveEvent onReceive;
    TcmSocket::PeerEvent onAccept;
    TcmSocket::NotifyEvent onActiveChanged;
    TcmSocket::PeerEvent onDiscard;
    TcmSocket::ErrorEvent onError;
};

// Wires the handlers, opens `socket` for UDP on port 5000 (broadcasts
// allowed, unconnected, bound to every address so that broadcast replies
// arrive, sending from this computer's own address) and fills state's
// LocalIp, LocalIpText and LocalMacText. A socket that cannot be opened stays
// inactive; its failure goes to the error handler only.
void SetUpUdpLink(TcmSocket& socket, const UdpLinkHandlers& handlers, ToolState& state);

// The window's close: deactivates the socket.
void ShutDownUdpLink(TcmSocket& socket);

} // namespace lumiq
