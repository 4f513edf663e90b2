#include "links/UdpLinkSetup.h"

#include "net/MacOfIp.h"
#include "state/AddressText.h"

namespace lumiq {

void SetUpUdpLink(TcmSocket& socket, const UdpLinkHandlers& handlers, ToolState& state) {
    socket.OnAccept = handlers.onAccept;
    socket.OnActiveChanged = handlers.onActiveChanged;
    socket.OnDiscard = handlers.onDiscard;
    socket.OnError = handlers.onError;
    socket.OnReceive = handlers.onReceive;

    socket.SetBufferSize(kLinkBufferSize);
    if (socket.Active())
        socket.SetActive(false);
    socket.Protocol = cmUDP;
    socket.BindAnyAddress = true;
    socket.KernelReceiveBuffer = kLinkKernelReceiveBuffer;

    state.LocalIp = TcmSocket::get_ip_data("", cmUnicast);
    socket.LocalHost = IpToText(state.LocalIp);
    socket.LocalPort = kModulePort;
    // (Assigned from a string object: GCC 12 warns falsely on "= literal" here.)
    socket.RemoteHost = std::string("0");
    socket.RemotePort = 0;
    socket.SetActive(true);

    state.LocalIpText = IpToText(state.LocalIp);
    state.LocalMacText = MacOfIp(state.LocalIpText);
}

void ShutDownUdpLink(TcmSocket& socket) {
    if (socket.Active())
        socket.SetActive(false);
}

} // namespace lumiq
