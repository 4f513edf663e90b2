#pragma once
// TcmSocket owns one IPv4 socket (UDP, TCP client, TCP listening server or
// raw), opens it from a few properties, and turns its readiness into events
// raised one at a time on the Qt loop of the thread that made it. Every
// failed socket call becomes one OnError event whose text names the call and
// explains the error in words.
//
// Handlers run synchronously inside the notification and may call back into
// the component: send from OnReceive, close it, deactivate it, reopen it. To
// destroy the component from one of its own handlers, use deleteLater().
// One readiness notification of a datagram socket raises OnReceive for every
// datagram waiting (up to 256), one after another in arrival order.
//
// Not thread-safe: every call belongs to the thread that made the component.

#include <netinet/in.h>

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "net/ServerConnections.h"
#include "net/SocketCalls.h"
#include "trace/TrafficTap.h"

namespace lumiq {

class SocketWatch;

enum TcmSocketProtocol : std::uint8_t { cmICMP, cmIGMP, cmUDP, cmRawIP, cmTcpServer, cmTcpClient };
enum TcmCastMode : std::uint8_t { cmUnicast, cmBroadcast };

// Notification kinds, one bit each. A value that carries an error number in
// its upper 16 bits matches none of them.
enum SocketEvent : std::uint32_t {
    FD_READ = 1,
    FD_WRITE = 2,
    FD_OOB = 4,
    FD_ACCEPT = 8,
    FD_CONNECT = 16,
    FD_CLOSE = 32,
};
// The number that names socket notifications in reports of unknown ones.
inline constexpr int kSocketNotification = 1035;

class TcmSocket : public QObject {
public:
    using ErrorEvent = std::function<void(TcmSocket& sender, int ErroCode, const std::string& ErrorMsg)>;
    // pBuf points into the component's receive buffer, valid until the next
    // receipt; pBuf[DataLen] is a zero byte.
    using ReceiveEvent = std::function<void(TcmSocket& Sender, int PeerSocket, std::uint16_t PeerPort,
                                            std::uint32_t PeerIP, const char* pBuf, int DataLen)>;
    // IP in network order, Port in host order.
    using PeerEvent =
        std::function<void(TcmSocket& sender, int socket, std::uint32_t IP, std::uint16_t Port)>;
    using NotifyEvent = std::function<void(TcmSocket& Sender)>;

    explicit TcmSocket(QObject* owner = nullptr);
    ~TcmSocket() override;
    TcmSocket(const TcmSocket&) = delete;
    TcmSocket& operator=(const TcmSocket&) = delete;

    // --- Properties kept as they are set --------------------------------
    TcmSocketProtocol Protocol = cmUDP;
    bool RelayDump = false; // append receipts behind each other in the buffer
    int RemotePort = 0;
    std::string RemoteHost;
    int LocalPort = 0;
    std::string LocalHost = "0"; // "0" or empty: the host's own address

    // Linux: a UDP socket bound to a unicast address never receives broadcast
    // datagrams. When set, a cmUDP socket binds to every address (0.0.0.0) on
    // LocalPort instead, and its datagrams still leave from LocalHost: with
    // that address as sender and, for the limited broadcast, through the
    // adapter that holds it. LocalHost keeps showing the text it was given.
    bool BindAnyAddress = false;
    // Kernel receive buffer in bytes asked for at every activation; 0 keeps
    // the kernel's default. A burst of replies waits there while the loop is
    // busy elsewhere.
    int KernelReceiveBuffer = 0;
    // When set, a cmUDP socket takes each datagram's packet info (IP_PKTINFO)
    // with it: LastReceipt() tells, while OnReceive runs, which adapter it
    // arrived on and where it was sent. Read at every activation.
    bool ReceivePacketInfo = false;
    // When set, every datagram a cmUDP socket sends (SendTo, SendFrom) or
    // receives is reported to it with its ends, as it went or came. The
    // front end that records a trace owns the tap; nothing is done without.
    TrafficTap* Tap = nullptr;

    ErrorEvent OnError;
    ReceiveEvent OnReceive;
    PeerEvent OnAccept;
    NotifyEvent OnActiveChanged;
    PeerEvent OnDiscard;

    // --- Properties with their own access --------------------------------
    bool Active() const { return active_; }
    void SetActive(bool value);
    int Socket() const { return socket_; }
    int BufOffset() const { return bufOffset_; }
    int MaxBufSize() const { return maxBufSize_; }
    // Takes effect at once while active, else at the next activation.
    void SetBufferSize(int size);
    // The kernel receive buffer the socket got (SO_RCVBUF as the kernel
    // reports it, so twice the size granted); 0 while inactive. Without
    // CAP_NET_ADMIN net.core.rmem_max caps what KernelReceiveBuffer asks for.
    int GrantedReceiveBuffer() const { return active_ ? grantedReceiveBuffer_ : 0; }
    // The packet info of the latest datagram received; `known` is false
    // without ReceivePacketInfo.
    const ReceiptInfo& LastReceipt() const { return lastReceipt_; }

    // --- Operations --------------------------------------------------------
    void Open();
    void Close();
    int Create(TcmSocketProtocol protocol); // -1 on failure
    bool Bind(const std::string& host, unsigned port);
    bool Connect(const std::string& host, unsigned port);
    bool Listen(int backlog);
    int Accept(); // the accepted peer's socket, -1 on failure

    // A length of 0 or less sends `data` as a zero-terminated text.
    bool SendTo(std::uint32_t address, std::uint16_t port, const char* data, int length);
    bool SendTo(const std::string& host, std::uint16_t port, const char* data, int length);
    // One datagram with `source` as its sender address, leaving through the
    // adapter `ifindex` (0: the kernel picks it by `source`): how a socket
    // bound to every address reaches the modules behind one chosen adapter,
    // by the limited or the adapter's directed broadcast or by unicast.
    // A length of 0 or less sends a zero-terminated text, as SendTo does.
    bool SendFrom(std::uint32_t address, std::uint16_t port, const char* data, int length,
                  std::uint32_t source, unsigned ifindex);
    // Sends on `socket` (a server's peer); true only when every byte went.
    bool SendTo(int socket, const char* data, int length);
    bool Send(const char* data, int length);
    // The byte count, or 0 on failure. A socket of -1 means Socket().
    int Receive(char* buffer, int size, int socket, sockaddr_in* address);

    // Handles one notification for `socket` as the dispatch table says. The
    // notifiers call it; notifications for a socket the component no longer
    // holds are dropped.
    void OnSocketMessage(int socket, std::uint32_t event);

    // --- Error reporting --------------------------------------------------
    // Returns result.value. A failure raises OnError with the call's text; a
    // failure while the socket is being opened closes it first.
    int ErrorCheck(const CallResult& result, const std::string& call);
    void ShowError(const std::string& text, int code);
    void ShowMessage(const std::string& text) const;
    static std::string MapErrorCode(int code);

    // --- Class-level helpers (addresses in network order) ------------------
    static bool isValidIP(const std::string& text);
    static std::uint32_t IP_UnicastToBroadcast(std::uint32_t address);
    // An empty host means this computer's own address (see net/HostAddress.h).
    static std::uint32_t get_ip_data(const std::string& host, TcmCastMode mode);
    static std::string HostName();
    static std::string HostIP(std::uint32_t address);
    static std::string BroadcastIP(const std::string& host);

private:
    void DeclareConnect(bool activated);
    void reg_connections(int socket, bool add);
    void receiveLoop(int socket);
    bool isStream() const { return Protocol == cmTcpServer || Protocol == cmTcpClient; }
    bool holds(int socket) const;
    void onReadable(int fd);
    void onWritable(int fd);
    void onException(int fd);
    bool connectPending() const { return !active_ && bound_ && socket_ != -1; }
    void finishConnect();
    std::unique_ptr<SocketWatch> makeWatch(int fd);
    SocketWatch* watchOf(int fd) const;
    void releasePeer(int socket);
    void closePeers();
    void pauseReading(int fd);
    void resumeReading();
    void tapSent(const sockaddr_in& to, std::uint32_t source, unsigned ifindex, const char* data, int sent);
    void tapReceived(const sockaddr_in& from, const char* data, int received);
    // Through a copy: a handler may reassign its own event while it runs.
    template <class Event, class... Args> void raise(const Event& event, Args... args) {
        if (!event || destroying_)
            return;
        const Event handler = event;
        handler(*this, args...);
    }

    bool active_ = false;
    int socket_ = -1;
    int bufOffset_ = 0;
    int maxBufSize_ = 2048;
    bool bound_ = false;
    sockaddr_in sockAddr_{};       // shared by bind, connect, send and receive
    std::vector<char> recvBuffer_; // MaxBufSize + 1 bytes, or empty
    ServerConnections connections_;
    std::unique_ptr<SocketWatch> watch_;                // the component's own socket
    std::map<int, std::unique_ptr<SocketWatch>> peers_; // accepted peers of a server
    // Bumped whenever a socket is let go, so a loop that raised an event can
    // tell that its socket is gone even if the descriptor number came back.
    unsigned generation_ = 0;
    bool closing_ = false;    // a failed close inside Close starts no further Close
    bool destroying_ = false; // nothing is reported or raised any more
    bool anyAddressBound_ = false;
    std::uint32_t sendSource_ = 0; // LocalHost's address while bound to every address
    bool packetInfo_ = false;      // IP_PKTINFO is on for this activation
    ReceiptInfo lastReceipt_;
    int grantedReceiveBuffer_ = 0;
    QTimer readResume_; // re-arms reading paused for want of a handler
};

} // namespace lumiq
