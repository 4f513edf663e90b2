// TcmSocket: readiness notifications, their dispatch, the receive loop and a
// server's list of peers.

#include <arpa/inet.h>

#include <string>

#include "net/SocketCalls.h"
#include "net/SocketWatch.h"
#include "net/TcmSocket.h"
#include "net/WinsockErrors.h"

namespace lumiq {

namespace {

// Datagrams taken on one readiness notification at most: a full registry's
// answers to one search.
constexpr int kDatagramsPerReadiness = 256;

} // namespace

// Readable means different things: a peer waiting on a listening socket, the
// end of a stream, a connect that ended, or data.
void TcmSocket::onReadable(int fd) {
    if (!holds(fd))
        return;
    if (fd == socket_ && connectPending()) {
        finishConnect();
        return;
    }
    if (fd == socket_ && Protocol == cmTcpServer) {
        OnSocketMessage(fd, FD_ACCEPT);
        return;
    }
    if (isStream()) {
        const CallResult peek = PeekStreamCall(fd);
        if (peek.value == 0) {
            OnSocketMessage(fd, FD_CLOSE);
            return;
        }
        if (peek.failed()) {
            // The close of a reset stream, with the reset's error in the upper
            // half. The error is taken now, so the next readiness shows the
            // plain end of the stream.
            if (peek.error != kWsaWouldBlock)
                OnSocketMessage(fd, FD_CLOSE | (static_cast<std::uint32_t>(peek.error) << 16));
            return;
        }
    }
    OnSocketMessage(fd, FD_READ);
}

// The write notifier runs only while a connect is under way or an accepted
// peer waits for its registration; either needs it once.
void TcmSocket::onWritable(int fd) {
    if (!holds(fd))
        return;
    if (fd == socket_) {
        if (connectPending())
            finishConnect();
        else
            watch_->setWriteEnabled(false);
        return;
    }
    watchOf(fd)->setWriteEnabled(false);
    OnSocketMessage(fd, FD_WRITE);
}

void TcmSocket::onException(int fd) {
    if (!holds(fd))
        return;
    // Nothing reads a stream's urgent byte; left pending it would keep the
    // notifier firing.
    if (DiscardUrgentCall(fd).failed())
        watchOf(fd)->setExceptionEnabled(false);
    OnSocketMessage(fd, FD_OOB);
}

void TcmSocket::finishConnect() {
    watch_->setWriteEnabled(false);
    const CallResult outcome = PendingConnectCall(socket_);
    if (outcome.failed()) {
        // Reported like a connect refused at once: the socket is closed and
        // the component stays inactive, ready to be opened again.
        ErrorCheck(outcome, "connect() failed");
        return;
    }
    const int fd = socket_;
    const unsigned generation = generation_;
    OnSocketMessage(fd, FD_CONNECT);
    if (generation == generation_)
        OnSocketMessage(fd, FD_WRITE);
}

void TcmSocket::OnSocketMessage(int socket, std::uint32_t event) {
    if (!holds(socket))
        return;
    switch (event) {
    case FD_READ:
        receiveLoop(socket);
        break;
    case FD_WRITE: {
        const unsigned generation = generation_;
        if (!active_ && bound_) {
            active_ = true;
            DeclareConnect(true);
        }
        if (Protocol == cmTcpServer && generation == generation_)
            reg_connections(socket, true);
        break;
    }
    case FD_OOB:
        ShowError("Message:FD_OOB", 0);
        break;
    case FD_ACCEPT: {
        const unsigned generation = generation_;
        // Out of descriptors, the waiting peer stays queued and the socket
        // readable: take a breath instead of failing again at once.
        if (Accept() == -1 && generation == generation_)
            pauseReading(socket);
        ShowError("Message:FD_ACCEPT", 0);
        break;
    }
    case FD_CONNECT:
        ShowError("Message:FD_CONNECT", 0);
        break;
    case FD_CLOSE:
        if (Protocol == cmTcpServer) {
            reg_connections(socket, false);
            releasePeer(socket);
        } else {
            Close();
        }
        break;
    default:
        ShowError(std::to_string(kSocketNotification), static_cast<int>(event));
        break;
    }
}

void TcmSocket::receiveLoop(int socket) {
    if (!OnReceive || recvBuffer_.empty()) {
        pauseReading(socket);
        return;
    }
    const unsigned generation = generation_;
    int received = 0;
    int space = 0;
    int taken = 0;
    // A stream is read again only while a read filled the space offered: more
    // may wait. Datagrams are taken while they wait, up to a bound that lets
    // the loop's timers and painting in between: what a handler's work leaves
    // to the loop (a list laid out again, a repaint) then happens once per
    // burst instead of once per datagram.
    do {
        if (!RelayDump || bufOffset_ >= maxBufSize_)
            bufOffset_ = 0;
        space = maxBufSize_ - bufOffset_;
        received = Receive(recvBuffer_.data() + bufOffset_, space, socket, &sockAddr_);
        ++taken;
        if (received > 0) {
            bufOffset_ += received;
            recvBuffer_[static_cast<std::size_t>(bufOffset_)] = 0;
            const char* data = recvBuffer_.data() + bufOffset_ - received;
            if (Tap != nullptr)
                tapReceived(sockAddr_, data, received);
            raise(OnReceive, socket, ntohs(sockAddr_.sin_port), sockAddr_.sin_addr.s_addr, data, received);
        }
        // The handler may have closed the socket or taken the buffer away.
        if (generation != generation_ || recvBuffer_.empty() || !OnReceive)
            break;
    } while (isStream() ? received > 0 && received == space
                        : taken < kDatagramsPerReadiness && DatagramWaiting(socket));
}

int TcmSocket::Receive(char* buffer, int size, int socket, sockaddr_in* address) {
    if (buffer == nullptr)
        return 0;
    if (socket == -1)
        socket = socket_;
    const std::size_t capacity = size > 0 ? static_cast<std::size_t>(size) : 0;
    int count = -1;
    if (address != nullptr) {
        ReceiptInfo* receipt = packetInfo_ ? &lastReceipt_ : nullptr;
        count = ErrorCheck(ReceiveFromCall(socket, buffer, capacity, address, receipt), "recvfrom() failed");
        // A stream's receive names no sender.
        if (count != -1 && isStream())
            ErrorCheck(PeerNameCall(socket, *address), "getpeername() failt!");
    } else {
        lastReceipt_ = {};
        count = ErrorCheck(ReceiveCall(socket, buffer, capacity), "recv() failed");
    }
    return count == -1 ? 0 : count;
}

void TcmSocket::reg_connections(int socket, bool add) {
    if (connections_.contains(socket)) {
        if (add)
            return;
        const auto entry = connections_.remove(socket);
        raise(OnDiscard, entry->socket, entry->IP, entry->Port);
        return;
    }
    if (!add)
        return;
    // Without the peer's name the entry would carry someone else's address.
    if (ErrorCheck(PeerNameCall(socket, sockAddr_), "getpeername() failt!") == -1)
        return;
    const std::uint32_t ip = sockAddr_.sin_addr.s_addr;
    const std::uint16_t port = ntohs(sockAddr_.sin_port);
    // The same peer address seen again on a new socket: the entry follows it.
    if (connections_.replaceSocketOf(ip, port, socket))
        return;
    connections_.append({socket, ip, port});
    raise(OnAccept, socket, ip, port);
}

} // namespace lumiq
