// TcmSocket: construction, the activation properties, and opening and
// closing the socket.

#include "net/TcmSocket.h"

#include <arpa/inet.h>
#include <sys/socket.h>

#include "net/SocketWatch.h"
#include "state/AddressText.h"

namespace lumiq {

namespace {

// While no handler takes the data of a readable socket its read notifier is
// paused, or the loop would wake without end; it is looked at again after
// this long, so nothing waiting is lost once a handler is set.
constexpr int kReadResumeMs = 100;

struct SocketKind {
    int type;
    int protocol;
};

SocketKind KindOf(TcmSocketProtocol protocol) {
    switch (protocol) {
    case cmICMP:
        return {SOCK_RAW, IPPROTO_ICMP};
    case cmIGMP:
        return {SOCK_RAW, IPPROTO_IGMP};
    case cmUDP:
        return {SOCK_DGRAM, IPPROTO_UDP};
    case cmRawIP:
        return {SOCK_RAW, IPPROTO_RAW};
    case cmTcpServer:
    case cmTcpClient:
        return {SOCK_STREAM, IPPROTO_TCP};
    }
    return {SOCK_DGRAM, IPPROTO_UDP};
}

} // namespace

TcmSocket::TcmSocket(QObject* owner) : QObject(owner) {
    readResume_.setSingleShot(true);
    readResume_.setInterval(kReadResumeMs);
    connect(&readResume_, &QTimer::timeout, this, [this] { resumeReading(); });
}

TcmSocket::~TcmSocket() {
    // The owner may be half torn down by now: nothing reaches its handlers.
    destroying_ = true;
    Close();
}

void TcmSocket::SetActive(bool value) {
    if (value == active_)
        return;
    if (value)
        Open();
    else
        Close();
}

void TcmSocket::SetBufferSize(int size) {
    const bool hasBuffer = !recvBuffer_.empty();
    if (size == maxBufSize_ && hasBuffer == (size > 0))
        return;
    maxBufSize_ = size;
    recvBuffer_.clear();
    recvBuffer_.shrink_to_fit();
    if (size > 0 && active_) {
        recvBuffer_.assign(static_cast<std::size_t>(size) + 1, 0);
        resumeReading();
    }
}

void TcmSocket::Open() {
    if (active_)
        return;
    if (Create(Protocol) == -1)
        return;
    if (Protocol == cmUDP)
        SetIntOptionCall(socket_, SOL_SOCKET, SO_BROADCAST, 1);
    if (KernelReceiveBuffer > 0) {
        // The forced size needs CAP_NET_ADMIN; without it the kernel caps the
        // plain one at net.core.rmem_max.
        if (SetIntOptionCall(socket_, SOL_SOCKET, SO_RCVBUFFORCE, KernelReceiveBuffer).failed())
            SetIntOptionCall(socket_, SOL_SOCKET, SO_RCVBUF, KernelReceiveBuffer);
    }
    packetInfo_ = Protocol == cmUDP && ReceivePacketInfo &&
                  !SetIntOptionCall(socket_, IPPROTO_IP, IP_PKTINFO, 1).failed();
    // Linux keeps a listening port blocked while old connections wait out
    // TIME_WAIT; unlike Windows it still refuses a second live listener.
    if (Protocol == cmTcpServer)
        SetIntOptionCall(socket_, SOL_SOCKET, SO_REUSEADDR, 1);
    if (LocalHost == "0" || LocalHost.empty())
        LocalHost = HostIP(0xFFFFFFFFu);

    anyAddressBound_ = BindAnyAddress && Protocol == cmUDP;
    sendSource_ = anyAddressBound_ ? get_ip_data(LocalHost, cmUnicast) : 0;
    bound_ = Bind(anyAddressBound_ ? "0.0.0.0" : LocalHost, static_cast<unsigned>(LocalPort));

    if (bound_) {
        if (Protocol == cmTcpServer)
            active_ = Listen(5);
        else if (Protocol == cmTcpClient)
            active_ = Connect(RemoteHost, static_cast<unsigned>(RemotePort));
        else if (Protocol == cmUDP && !RemoteHost.empty() && RemotePort > 0)
            active_ = Connect(RemoteHost, static_cast<unsigned>(RemotePort));
        else
            active_ = true;
    }
    if (active_) {
        DeclareConnect(true);
    } else if (bound_ && watch_) {
        // A non-blocking connect is under way: writability will tell when it
        // is done.
        watch_->setWriteEnabled(true);
    }
    bufOffset_ = 0;
}

void TcmSocket::Close() {
    // A handler of a report raised while closing may ask again.
    if (closing_ || (socket_ == -1 && !active_))
        return;
    closing_ = true;
    watch_.reset(); // before the descriptor goes: a notifier must never see it closed
    if (socket_ != -1)
        ErrorCheck(CloseCall(socket_), "closesocket() failed");
    closePeers();
    socket_ = -1;
    active_ = false;
    bound_ = false;
    anyAddressBound_ = false;
    packetInfo_ = false;
    lastReceipt_ = {};
    grantedReceiveBuffer_ = 0;
    ++generation_;
    closing_ = false;
    DeclareConnect(false);
}

int TcmSocket::Create(TcmSocketProtocol protocol) {
    Protocol = protocol;
    const SocketKind kind = KindOf(protocol);
    Close();
    socket_ = ErrorCheck(SocketCall(AF_INET, kind.type, kind.protocol), "socket() failed");
    if (socket_ != -1)
        watch_ = makeWatch(socket_);
    return socket_;
}

bool TcmSocket::Bind(const std::string& host, unsigned port) {
    sockAddr_ = {};
    sockAddr_.sin_family = AF_INET;
    sockAddr_.sin_addr.s_addr = get_ip_data(host, cmUnicast);
    sockAddr_.sin_port = htons(static_cast<std::uint16_t>(port));
    return ErrorCheck(BindCall(socket_, sockAddr_), "bind() failed") != -1;
}

bool TcmSocket::Connect(const std::string& host, unsigned port) {
    if (port == 0)
        return false;
    sockAddr_.sin_family = AF_INET;
    sockAddr_.sin_addr.s_addr = get_ip_data(host, cmUnicast);
    sockAddr_.sin_port = htons(static_cast<std::uint16_t>(port));
    return ErrorCheck(ConnectCall(socket_, sockAddr_), "connect() failed") != -1;
}

bool TcmSocket::Listen(int backlog) {
    if (backlog == 0)
        return false;
    return ErrorCheck(ListenCall(socket_, backlog), "listen() failed") != -1;
}

int TcmSocket::Accept() {
    const int peer = ErrorCheck(AcceptCall(socket_, sockAddr_), "accept() failed");
    if (peer != -1) {
        // Registered when its first write notification arrives, as a peer
        // that is ready for data.
        auto watch = makeWatch(peer);
        watch->setWriteEnabled(true);
        peers_[peer] = std::move(watch);
    }
    return peer;
}

void TcmSocket::DeclareConnect(bool activated) {
    if (activated) {
        sockaddr_in own{};
        if (!SockNameCall(socket_, own).failed()) {
            sockAddr_ = own;
            LocalPort = ntohs(own.sin_port);
            // Bound to every address, the socket still stands for LocalHost.
            if (!anyAddressBound_)
                LocalHost = IpToText(own.sin_addr.s_addr);
        }
        if (recvBuffer_.empty())
            SetBufferSize(maxBufSize_);
        int granted = 0;
        grantedReceiveBuffer_ =
            GetIntOptionCall(socket_, SOL_SOCKET, SO_RCVBUF, granted).failed() ? 0 : granted;
    }
    raise(OnActiveChanged);
}

std::unique_ptr<SocketWatch> TcmSocket::makeWatch(int fd) {
    return std::make_unique<SocketWatch>(
        fd, this, [this](int s) { onReadable(s); }, [this](int s) { onWritable(s); },
        [this](int s) { onException(s); });
}

SocketWatch* TcmSocket::watchOf(int fd) const {
    if (watch_ && fd == socket_)
        return watch_.get();
    const auto peer = peers_.find(fd);
    return peer == peers_.end() ? nullptr : peer->second.get();
}

bool TcmSocket::holds(int socket) const {
    return socket != -1 && watchOf(socket) != nullptr;
}

// A peer that went away is closed here: its descriptor would otherwise stay
// readable (end of stream) for ever.
void TcmSocket::releasePeer(int socket) {
    const auto peer = peers_.find(socket);
    if (peer == peers_.end())
        return;
    peers_.erase(peer);
    ++generation_;
    CloseCall(socket);
}

void TcmSocket::closePeers() {
    for (const auto& entry : connections_.takeAll()) {
        peers_.erase(entry.socket);
        ErrorCheck(CloseCall(entry.socket), "closesocket() failed to close remote socket");
    }
    // Peers accepted but not registered yet, or replaced by a newer socket
    // from the same address, are not in the list.
    std::vector<int> unlisted;
    for (const auto& [fd, watch] : peers_)
        unlisted.push_back(fd);
    peers_.clear();
    for (const int fd : unlisted)
        CloseCall(fd);
}

// The exception notifier pauses too: with it alone on the descriptor, a
// hang-up or a pending error would still wake the loop without end.
void TcmSocket::pauseReading(int fd) {
    if (SocketWatch* watch = watchOf(fd)) {
        watch->setReadEnabled(false);
        watch->setExceptionEnabled(false);
    }
    readResume_.start();
}

void TcmSocket::resumeReading() {
    auto resume = [](SocketWatch& watch) {
        watch.setReadEnabled(true);
        watch.setExceptionEnabled(true);
    };
    if (watch_)
        resume(*watch_);
    for (const auto& [fd, watch] : peers_)
        resume(*watch);
}

} // namespace lumiq
