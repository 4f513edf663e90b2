#pragma once
// Every system call the socket component makes, each wrapped once. A call's
// error is captured at the call and travels with its result, so no later call
// can overwrite it before it is reported.

#include <netinet/in.h>

#include <cstddef>
#include <cstdint>

#include "net/PacketInfoReceive.h"

namespace lumiq {

struct CallResult {
    int value = -1; // the call's result; -1 when it failed
    int error = 0;  // Windows Sockets number of the failure, 0 on success
    bool failed() const { return value == -1; }
};

// Sockets are always non-blocking and close-on-exec: readiness arrives
// through the event loop, and a started program must not inherit them.
CallResult SocketCall(int domain, int type, int protocol);
CallResult CloseCall(int fd);
CallResult BindCall(int fd, const sockaddr_in& address);
CallResult ConnectCall(int fd, const sockaddr_in& address);
CallResult ListenCall(int fd, int backlog);
// The accepted socket is non-blocking and close-on-exec as well.
CallResult AcceptCall(int fd, sockaddr_in& peer);
CallResult SetIntOptionCall(int fd, int level, int name, int value);
CallResult GetIntOptionCall(int fd, int level, int name, int& value);
CallResult SockNameCall(int fd, sockaddr_in& address);
CallResult PeerNameCall(int fd, sockaddr_in& address);

// The outcome of a non-blocking connect, asked once the socket is ready:
// value 0 when it succeeded, else a failure carrying the connect's own error.
CallResult PendingConnectCall(int fd);

CallResult SendToCall(int fd, const char* data, std::size_t length, const sockaddr_in& to);
// Sends with an explicit source: `source` becomes the sender address and, when
// `ifindex` is not 0, the datagram leaves through that adapter.
CallResult SendFromCall(int fd, const char* data, std::size_t length, const sockaddr_in& to,
                        std::uint32_t source, unsigned ifindex);
// Never raises SIGPIPE: a peer that went away is an error result, not the
// end of the program.
CallResult SendCall(int fd, const char* data, std::size_t length);

// A datagram longer than `size` is discarded and fails with WSAEMSGSIZE, as on
// Windows, instead of arriving cut short. `from` may be null. With `receipt`,
// the packet info of a socket that has IP_PKTINFO on is taken as well
// (receipt->known stays false when none came).
CallResult ReceiveFromCall(int fd, char* buffer, std::size_t size, sockaddr_in* from,
                           ReceiptInfo* receipt = nullptr);
CallResult ReceiveCall(int fd, char* buffer, std::size_t size);
// Looks at the next byte of a stream without taking it: 0 means the peer
// closed its end.
CallResult PeekStreamCall(int fd);
// Whether a datagram waits to be taken (an empty one counts), without taking it.
bool DatagramWaiting(int fd);
// Takes the pending urgent byte of a stream (nothing reads it otherwise).
CallResult DiscardUrgentCall(int fd);

} // namespace lumiq
