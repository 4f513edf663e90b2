#pragma once
// Helpers for the socket tests: waiting on the Qt loop with a deadline, a
// record of every event a TcmSocket raises, and plain sockets that play the
// other end.

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "net/TcmSocket.h"

namespace lumiq::nettest {

using namespace std::chrono_literals;

// Runs the Qt loop until `done` holds or the deadline passes; true when done.
bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit = 5s);

std::uint32_t Ip(const char* dotted); // network order

// Every event of one component, in the order raised.
struct EventLog {
    struct Report {
        int code;
        std::string message;
    };
    struct Receipt {
        int socket;
        std::uint16_t port;
        std::uint32_t ip;
        std::string data;
        int offset;         // where the data sits in the component's buffer
        bool zeroAfterData; // pBuf[DataLen] == 0
    };
    struct Peer {
        int socket;
        std::uint32_t ip;
        std::uint16_t port;
    };
    std::vector<Report> reports;
    std::vector<Receipt> receipts;
    std::vector<Peer> accepted;
    std::vector<Peer> discarded;
    int activeChanges = 0;
    std::vector<std::string> order; // "error", "receive", "accept", "active", "discard"

    // Wires all five events; `afterReceive` (if any) runs inside OnReceive.
    void wire(TcmSocket& socket, std::function<void(TcmSocket&)> afterReceive = {});
    bool reported(int code, const std::string& message) const;
};

// The two reports of a bind that fails because the port is taken, in order:
// the socket closed (code 0, the error number in hex), then the failed call.
void ExpectAddressInUseReports(const EventLog& log);

// A plain socket playing a module or a TCP peer. Closes itself.
class PlainSocket {
public:
    explicit PlainSocket(int fd) : fd_(fd) {}
    static PlainSocket Udp(); // in this process's namespace
    ~PlainSocket();
    PlainSocket(PlainSocket&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    PlainSocket(const PlainSocket&) = delete;
    PlainSocket& operator=(const PlainSocket&) = delete;

    int fd() const { return fd_; }
    void bind(const char* dotted, std::uint16_t port);
    void enableBroadcast();
    std::uint16_t port() const; // the bound port
    void sendTo(const char* dotted, std::uint16_t port, const std::string& bytes);

    struct Datagram {
        std::string bytes;
        std::uint32_t ip;
        std::uint16_t port;
    };
    // Waits up to `limit` without running the Qt loop.
    std::optional<Datagram> receive(std::chrono::milliseconds limit = 3s);

private:
    int fd_;
};

} // namespace lumiq::nettest
