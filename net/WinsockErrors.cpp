#include "net/WinsockErrors.h"

#include <cerrno>
#include <iterator>

namespace lumiq {

namespace {

struct ErrnoMapping {
    int errnoValue;
    int winsock;
};

// Linux has no call that fails with WSANOTINITIALISED (10093): sockets need no
// start-up here. WSAEINPROGRESS (10036), "a blocking call is in progress",
// is the nearest thing to EBUSY. EPERM: a firewall rule refused the datagram.
constexpr ErrnoMapping kErrnoMappings[] = {
    {EINTR, 10004},           {EACCES, 10013},          {EPERM, 10013},         {EFAULT, 10014},
    {EINVAL, 10022},          {EMFILE, 10024},          {ENFILE, 10024},        {EAGAIN, 10035},
#if EWOULDBLOCK != EAGAIN
    {EWOULDBLOCK, 10035},
#endif
    {EINPROGRESS, 10035}, // a non-blocking connect under way, as Windows reports it
    {EBUSY, 10036},           {EALREADY, 10037},        {EBADF, 10038},         {ENOTSOCK, 10038},
    {EDESTADDRREQ, 10039},    {EMSGSIZE, 10040},        {EPROTOTYPE, 10041},    {ENOPROTOOPT, 10042},
    {EPROTONOSUPPORT, 10043}, {ESOCKTNOSUPPORT, 10044}, {EOPNOTSUPP, 10045},    {EPFNOSUPPORT, 10046},
    {EAFNOSUPPORT, 10047},    {EADDRINUSE, 10048},      {EADDRNOTAVAIL, 10049}, {ENETDOWN, 10050},
    {ENETUNREACH, 10051},     {ENETRESET, 10052},       {ECONNABORTED, 10053},  {ECONNRESET, 10054},
    {ENOBUFS, 10055},         {ENOMEM, 10055},          {EISCONN, 10056},       {ENOTCONN, 10057},
    {ESHUTDOWN, 10058},       {EPIPE, 10058}, // sending after the stream was shut down
    {ETIMEDOUT, 10060},       {ECONNREFUSED, 10061},    {ELOOP, 10062},         {ENAMETOOLONG, 10063},
    {EHOSTDOWN, 10064},       {EHOSTUNREACH, 10065},
};

struct ErrorText {
    int code;
    const char* text;
};

// The texts are handed to OnError exactly as they stand, typos included:
// callers and logs may match them.
constexpr ErrorText kErrorTexts[] = {
    {10004, "The (blocking) call was canceled through WSACancelBlockingCall.(函数被中断)"}, // WSAEINTR
    {10013, "Attempt to connect datagram socket to broadcast address failed because setsockopt SO_BROADCAST "
            "is not enabled; or the requested address is a broadcast address, but the appropriate flag was "
            "not set.(无权限)"}, // WSAEACCES
    {10014, "The name or the namelen argument is not a valid part of the user address space, the namelen "
            "argument is too small, the name argument contains incorrect address format for the associated "
            "address family, or the first two bytes of the memory block specified by name does not match the "
            "address family associated with the socket descriptor s.(错误地址)"}, // WSAEFAULT
    {10022, "The socket is not(or is already) bound to an address ,etc."},        // WSAEINVAL
    {10024, "No more socket descriptors are available.(打开过多文件)"},           // WSAEMFILE
    {10035, "The socket is marked as nonblocking and the requested operation would block,and cannot be "
            "completed immediately. "}, // WSAEWOULDBLOCK
    {10036, "A blocking Windows Sockets 1.1 call is in progress, or the service provider is still processing "
            "a callback function(操作正进行)."}, // WSAEINPROGRESS
    {10037, "A nonblocking connect call is in progress on the specified socket.(操作正进行)"}, // WSAEALREADY
    {10038, "The descriptor is not a socket."},                                                // WSAENOTSOCK
    {10039, "需要目标地址"}, // WSAEDESTADDRREQ
    {10040, "The socket is message oriented, and the message is larger than the maximum supported by the "
            "underlying transport.(消息过长)"},                                    // WSAEMSGSIZE
    {10041, "The specified protocol is the wrong type for this socket."},          // WSAEPROTOTYPE
    {10043, "The specified protocol is not supported."},                           // WSAEPROTONOSUPPORT
    {10044, "The specified socket type is not supported in this address family."}, // WSAESOCKTNOSUPPORT
    {10045, "MSG_OOB was specified, but the socket is not stream style such as type SOCK_STREAM, out-of-band "
            "data is not supported in the communication domain associated with this socket, or the socket is "
            "unidirectional and supports only receive operations."},                 // WSAEOPNOTSUPP
    {10047, "The specified address family is not supported.(地址类型不被协议支持)"}, // WSAEAFNOSUPPORT
    {10048, "The specified address is already in use(地址已使用)."},                 // WSAEADDRINUSE
    {10049,
     "The specified address is not available from the local machine.(不能关联到指定地址)"}, // WSAEADDRNOTAVAIL
    {10050,
     "The network subsystem or the associated service provider has failed.(网络已关闭)."}, // WSAENETDOWN
    {10051, "The network cannot be reached from this host at this time."},                 // WSAENETUNREACH
    {10052,
     "The connection has been broken due to the remote host resetting.(网络重置时连接丢失)"}, // WSAENETRESET
    {10053, "The virtual circuit was terminated due to a time-out or other failure. The application should "
            "close the socket as it is no longer usable.(软件造成连接取消)"}, // WSAECONNABORTED
    {10054, "The virtual circuit was reset by the remote side executing a 'hard' or 'abortive' close. For "
            "UPD sockets, the remote host was unable to deliver a previously sent UDP datagram and responded "
            "with a 'Port Unreachable' ICMP packet. The application should close the socket as it is no "
            "longer usable.(连接被对方重置)"},                                                // WSAECONNRESET
    {10055, "Not enough buffers available, no more socket、connections or other action!"},    // WSAENOBUFS
    {10056, "The socket is already connected (connection-oriented sockets only).(已经连接)"}, // WSAEISCONN
    {10057, "The socket is not connected."},                                                  // WSAENOTCONN
    {10058, "he socket has been shut down; it is not possible to send on a socket after shutdown has been "
            "invoked with how set to SD_SEND or SD_BOTH."}, // WSAESHUTDOWN
    {10060, "Operation time out,the connection may have be been dropped, because of a network failure or "
            "because the system on the other end went down without notice."},  // WSAETIMEDOUT
    {10061, "The attempt to connect was forcefully rejected.(连接被拒绝)"},    // WSAECONNREFUSED
    {10064, "主机已关闭"},                                                     // WSAEHOSTDOWN
    {10065, "The remote host cannot be reached from this host at this time."}, // WSAEHOSTUNREACH
    {10093, "A successful WSAStartup must occur before using this function."}, // WSANOTINITIALISED
};

} // namespace

int WinsockErrorFromErrno(int errnoValue) {
    for (const auto& mapping : kErrnoMappings)
        if (mapping.errnoValue == errnoValue)
            return mapping.winsock;
    return errnoValue;
}

std::string WinsockErrorText(int code) {
    for (const auto& entry : kErrorTexts)
        if (entry.code == code)
            return entry.text;
    return "未知错误";
}

} // namespace lumiq
