#pragma once
// The flood: a bounded number of datagrams sent as fast as the link takes
// them, on a thread of its own, each to the tool's address or to the limited
// broadcast (half and half, at random). Lengths are random up to the largest
// UDP payload over IPv4, 65,507 bytes; the contents mix noise with what
// looks like modules' replies:
//   noise         random bytes, 0 to 65,507 of them
//   short         0 to 24 random bytes, half of them opening like a header
//   reply         a 20-byte "<mac>," header and an AT reply of the command
//                 table ("+IP=10.3.7.1\r\n", "OK\r\n", ...) with a random value
//   headed noise  such a header, then random bytes up to 65,507 in all
// Half of the headers carry the well-behaved module's MAC, the others one of
// 1,024 made-up MACs. The same seed gives the same datagrams.

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace lumiq::bench {

struct FloodCounts {
    long sent = 0;
    long refused = 0; // sendto failed; lastError says why
    int lastError = 0;
    long unicast = 0, broadcast = 0;
    long noise = 0, shortOnes = 0, replies = 0, headedNoise = 0;
    long long bytes = 0;
    double seconds = 0;
};

class FloodSender {
public:
    // socket: a UDP socket allowed to broadcast; hostAddress: the tool's
    // address on the flood's LAN; moduleMac: the well-behaved module's.
    FloodSender(int socket, const std::string& hostAddress, std::string moduleMac, unsigned seed);
    ~FloodSender();
    FloodSender(const FloodSender&) = delete;
    FloodSender& operator=(const FloodSender&) = delete;

    // Sends `count` datagrams; returns at once.
    void start(long count);
    bool running() const { return running_; }
    // Waits for the end of the flood and tells what went.
    FloodCounts finish();

private:
    void send(long count);

    int socket_;
    std::uint32_t hostAddress_; // network order
    std::string moduleMac_;
    unsigned seed_;
    std::atomic<bool> running_{false};
    std::thread thread_;
    FloodCounts counts_;
};

} // namespace lumiq::bench
