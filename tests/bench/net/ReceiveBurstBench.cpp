// How many of a burst of 512 small replies (256 modules answering twice, 30
// bytes each, half by unicast and half by broadcast) the socket component
// keeps, for the kernel receive buffer each kind of user gets.
//
// Runs as root through scripts/in-netns. It builds one veth link to a
// namespace that sends the burst, and runs each receiver in a child process,
// as root or as the user "nobody", with the socket set up as the window's link
// is (bound to every address on port 5000). Each receiver either stalls
// until the burst is over (the window busy elsewhere) or reads while it
// arrives, spending a given time on each reply (about what the window spends
// listing one). Prints one line per case; asserts nothing.
//
// Usage: scripts/in-netns bench_net_receive_burst [runs]

#include <arpa/inet.h>
#include <grp.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/TcmSocket.h"
#include "tests/support/Netns.h"

namespace {

using namespace lumiq;
using Clock = std::chrono::steady_clock;

constexpr int kBurst = 512;
constexpr int kCapacityBurst = 4096;
constexpr std::uint16_t kPort = 5000;
// What a socket asking for 1 MiB gets from stock Debian's
// net.core.rmem_max without CAP_NET_ADMIN (the kernel then doubles it).
constexpr int kStockRmemMax = 212992;
// Once the burst has been sent, this long without a reply ends a receiver.
constexpr int kQuietMs = 300;

struct Case {
    const char* user;   // "root" or "nobody"
    const char* asked;  // how the buffer is asked for
    int kernelBuffer;   // TcmSocket::KernelReceiveBuffer
    bool stall;         // not reading until the burst is over
    int perReplyMicros; // work done for each reply
    int burst;          // replies sent
};

struct Outcome {
    int granted = 0;
    int kept = 0;
};

void Work(int micros) {
    const auto end = Clock::now() + std::chrono::microseconds(micros);
    while (Clock::now() < end) {
    }
}

bool BecomeNobody() {
    const passwd* nobody = getpwnam("nobody");
    if (nobody == nullptr)
        return false;
    return setgroups(0, nullptr) == 0 && setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) == 0 &&
           setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) == 0;
}

// The receiving child: reports its granted buffer on `report` once listening,
// waits for one byte on `sent` (the burst is out), then reports the count.
[[noreturn]] void Receive(const Case& c, int report, int sent) {
    if (std::string(c.user) == "nobody" && !BecomeNobody())
        std::_Exit(3);
    int argc = 1;
    char name[] = "receiver";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    TcmSocket socket;
    Outcome outcome;
    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(kQuietMs);
    QObject::connect(&quiet, &QTimer::timeout, &app, [] { QCoreApplication::quit(); });
    bool burstOut = false;
    socket.OnReceive = [&](TcmSocket&, int, std::uint16_t, std::uint32_t, const char*, int) {
        ++outcome.kept;
        Work(c.perReplyMicros);
        if (burstOut)
            quiet.start();
    };
    socket.BindAnyAddress = true;
    socket.LocalHost = "10.79.0.1";
    socket.LocalPort = kPort;
    socket.KernelReceiveBuffer = c.kernelBuffer;
    socket.SetBufferSize(65535);
    socket.SetActive(true);
    if (!socket.Active())
        std::_Exit(4);
    outcome.granted = socket.GrantedReceiveBuffer();
    if (write(report, &outcome.granted, sizeof outcome.granted) < 0)
        std::_Exit(5);
    char byte = 0;
    if (c.stall && read(sent, &byte, 1) != 1)
        std::_Exit(6);
    QSocketNotifier out(sent, QSocketNotifier::Read);
    QObject::connect(&out, &QSocketNotifier::activated, &app, [&] {
        out.setEnabled(false);
        if (!c.stall && read(sent, &byte, 1) != 1)
            std::_Exit(6);
        burstOut = true;
        quiet.start();
    });
    if (c.stall) {
        out.setEnabled(false);
        burstOut = true;
        quiet.start();
    }
    app.exec();
    if (write(report, &outcome.kept, sizeof outcome.kept) < 0)
        std::_Exit(5);
    std::_Exit(0);
}

void SendBurst(int fd, int count) {
    for (int i = 0; i < count; ++i) {
        char reply[32];
        // 20 bytes of header and 10 of answer.
        std::snprintf(reply, sizeof reply, "<02:00:00:00:%02x:%02x>,OK+MODEL\r\n", (i >> 8) & 0xff, i & 0xff);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(kPort);
        to.sin_addr.s_addr = i % 2 == 0 ? inet_addr("10.79.0.1") : INADDR_BROADCAST;
        sendto(fd, reply, 30, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    }
}

bool ReadInt(int fd, int& value) {
    return read(fd, &value, sizeof value) == static_cast<ssize_t>(sizeof value);
}

Outcome RunCase(const Case& c, int sender) {
    int report[2], sent[2];
    if (pipe(report) != 0 || pipe(sent) != 0)
        return {};
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        close(sent[1]);
        Receive(c, report[1], sent[0]);
    }
    close(report[1]);
    close(sent[0]);
    Outcome outcome;
    if (ReadInt(report[0], outcome.granted)) {
        SendBurst(sender, c.burst);
        if (write(sent[1], "x", 1) != 1 || !ReadInt(report[0], outcome.kept))
            outcome.kept = -1;
    }
    close(report[0]);
    close(sent[1]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        outcome.kept = -1;
    return outcome;
}

} // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    testbed::Namespace modules("lqburst");
    testbed::AddVeth("lqbh", "10.79.0.1/24", modules, "lqbm", "10.79.0.2/24");
    modules.ip("route add default dev lqbm"); // for the broadcast replies
    const int sender = modules.openSocket(AF_INET, SOCK_DGRAM);
    const int on = 1;
    setsockopt(sender, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);

    const int link = 1 << 20; // what the window's link asks for
    std::vector<Case> cases;
    struct Buffer {
        const char* user;
        const char* asked;
        int size;
    };
    const Buffer buffers[] = {{"root", "1 MiB, forced", link},
                              {"nobody", "1 MiB, this rmem_max", link},
                              {"nobody", "1 MiB, stock rmem_max", kStockRmemMax},
                              {"nobody", "nothing (default)", 0}};
    for (const Buffer& b : buffers)
        for (const auto& [stall, micros] : {std::pair{true, 0}, std::pair{false, 0}, std::pair{false, 1500}})
            cases.push_back({b.user, b.asked, b.size, stall, micros, kBurst});
    // How many such replies each buffer holds at most: a burst far larger
    // than it, not read until it is over.
    for (const Buffer& b : buffers)
        cases.push_back({b.user, b.asked, b.size, true, 0, kCapacityBurst});

    std::printf("bursts of %d replies of 30 bytes (else as named); %d runs per case\n", kBurst, runs);
    std::printf("%-7s %-22s %9s  %-28s %s\n", "user", "buffer asked", "granted", "reading",
                "kept: min median max");
    for (const Case& c : cases) {
        std::vector<int> kept;
        int granted = 0;
        for (int run = 0; run < runs; ++run) {
            const Outcome outcome = RunCase(c, sender);
            granted = outcome.granted;
            kept.push_back(outcome.kept);
        }
        std::sort(kept.begin(), kept.end());
        const std::string reading = (c.stall ? std::string("after the burst")
                                             : "live, " + std::to_string(c.perReplyMicros) + " us/reply") +
                                    (c.burst == kBurst ? "" : " of " + std::to_string(c.burst));
        std::printf("%-7s %-22s %9d  %-28s %4d %4d %4d\n", c.user, c.asked, granted, reading.c_str(),
                    kept.front(), kept[kept.size() / 2], kept.back());
        std::fflush(stdout);
    }
    close(sender);
    [[maybe_unused]] const int status =
        std::system("ip link del lqbh 2>/dev/null"); // a clean-up that may find nothing
    return 0;
}
