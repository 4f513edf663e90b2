// The window's two links to the modules: the UDP socket, set up while the
// window is built, and the serial port, configured but closed until the
// operator switches to it. Both feed the presenter.

#include "app/TFrmMain.h"

#include "app/BatchDialog.h"
#include "app/HandlerGuard.h"
#include "app/MemoInfoLog.h"
#include "app/QtEngineTimer.h"
#include "app/SeamDialogs.h"
#include "app/ThreadPause.h"
#include "app/WidgetModuleList.h"
#include "app/WidgetPanelView.h"
#include "links/ComPortSerialLink.h"
#include "links/SocketUdpLink.h"
#include "links/UdpLinkSetup.h"
#include "net/TcmSocket.h"
#include "presenter/ModuleController.h"
#include "presenter/NoticeQueue.h"
#include "serial/ComPort.h"

namespace lumiq {

void TFrmMain::CreateComPort() {
    // A custom rate of 9600 until the operator picks one in the setup dialog;
    // 8 data bits, 1 stop bit, no parity, no flow control, all ten events.
    ComPort = new TComPort(this);
    ComPort->setObjectName(QStringLiteral("ComPort"));
    ComPort->SetBaudRate(brCustom);
    ComPort->SetCustomBaudRate(9600);
    ComPort->SetPort("COM1");
    ComPort->SetDataBits(dbEight);
    ComPort->SetStopBits(sbOneStopBit);
    ComPort->Parity().SetBits(prNone);
    ComPort->FlowControl().SetFlowControl(fcNone);
    ComPort->OnRxChar = [this](TCustomComPort&, int count) { ComPortRxChar(count); };
}

void TFrmMain::SetUpLinks() {
    CreateComPort();

    MySocket = new TcmSocket(this);
    MySocket->setObjectName(QStringLiteral("MySocket"));
    // Each reply known with the adapter it arrived on, for a search on
    // chosen adapters (通讯方式 > 网卡).
    MySocket->ReceivePacketInfo = true;
    SetUpUdpLink(
        *MySocket,
        UdpLinkHandlers{
            [this](TcmSocket& s, int peer, std::uint16_t port, std::uint32_t ip, const char* data,
                   int length) { MySocketReceive(s, peer, port, ip, data, length); },
            [this](TcmSocket& s, int socket, std::uint32_t ip, std::uint16_t port) {
                MySocketAccept(s, socket, ip, port);
            },
            [this](TcmSocket& s) { MySocketActiveChanged(s); },
            [this](TcmSocket& s, int socket, std::uint32_t ip, std::uint16_t port) {
                MySocketDiscard(s, socket, ip, port);
            },
            [this](TcmSocket& s, int code, const std::string& message) { MySocketError(s, code, message); },
        },
        services_.state);
    LinkShutdown = [this] { ShutDownUdpLink(*MySocket); };

    udpLink_ = std::make_unique<SocketUdpLink>(*MySocket);
    serialLink_ = std::make_unique<ComPortSerialLink>(*ComPort);
    controller_ = std::make_unique<ModuleController>(
        services_.state, ControllerPorts{*panel_, *moduleList_, *log_, *notices_, *readTimer_, *portResTimer_,
                                         *outTimer_, *pause_, *udpLink_, *serialLink_});
}

void TFrmMain::TakeLinksDown() noexcept {
    // The handlers point into this window, which is going away: no event may
    // reach them while the components close.
    if (ComPort) {
        ComPort->OnRxChar = nullptr;
        try {
            ComPort->Close();
        } catch (...) {
            // Closing for good: nothing left to tell.
        }
    }
    if (MySocket) {
        MySocket->OnReceive = nullptr;
        MySocket->OnAccept = nullptr;
        MySocket->OnActiveChanged = nullptr;
        MySocket->OnDiscard = nullptr;
        MySocket->OnError = nullptr;
    }
}

void TFrmMain::MySocketReceive(TcmSocket& sender, int, std::uint16_t peerPort, std::uint32_t peerIp,
                               const char* data, int length) {
    if (Batch) {
        // The dialog works on the socket while it is open.
        Batch->onDatagram(peerIp, peerPort, data, length);
        return;
    }
    const unsigned arrivalAdapter = sender.LastReceipt().ifindex;
    RunGuarded(*notices_, [&] {
        controller_->onDatagram(peerIp, peerPort, data, length > 0 ? static_cast<std::size_t>(length) : 0,
                                arrivalAdapter);
    });
}

// The window takes no interest in these socket events; socket failures end
// the operation concerned and are not shown.
void TFrmMain::MySocketAccept(TcmSocket&, int, std::uint32_t, std::uint16_t) {}
void TFrmMain::MySocketActiveChanged(TcmSocket&) {}
void TFrmMain::MySocketDiscard(TcmSocket&, int, std::uint32_t, std::uint16_t) {}
void TFrmMain::MySocketError(TcmSocket&, int, const std::string&) {}

// Serial replies stay queued until TimerPortRes reads them.
void TFrmMain::ComPortRxChar(int) {}

} // namespace lumiq
