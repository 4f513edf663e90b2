#pragma once
// The simulator process: every simulated module, the UDP socket they share,
// their pseudo-terminals, the control socket and the frame log, driven by one
// poll() loop. Replies that are due later (the "late" fault) wait in a
// schedule, so one slow module never holds up the others; so do the
// power-ups of modules being power-cycled.

#include <netinet/in.h>

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "sim/AddressAliases.h"
#include "sim/ControlServer.h"
#include "sim/FrameLog.h"
#include "sim/PtyPort.h"
#include "sim/SimModule.h"
#include "sim/UdpLink.h"

namespace lumiq::sim {

// The port modules listen on, and where broadcast replies go: the tool sends
// from and listens on this port.
inline constexpr std::uint16_t kModulePort = 5000;

struct SimulatorSetup {
    std::vector<ModuleSetup> modules;
    std::string controlPath;
    std::string logPath; // empty: the frame log stays in memory
    // Set: every module address is held as an alias on this adapter, also
    // one a module takes at a power-up; all of them are removed at the end.
    std::string aliasDevice;
};

class Simulator {
public:
    using Clock = std::chrono::steady_clock;

    // Adds the aliases, opens the UDP socket (when a module is on UDP), the
    // terminals, the control socket and the log. SIGINT, SIGTERM and SIGHUP must already be
    // blocked: they are taken from a signalfd. Throws when anything fails.
    explicit Simulator(SimulatorSetup setup);
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Serves until "quit" on the control socket or one of those signals.
    void run();

private:
    struct Outgoing {
        std::size_t module;
        std::string bytes;
        std::optional<std::size_t> pty; // else UDP, to `to` through `ifindex`
        sockaddr_in to{};
        int ifindex = 0;
        unsigned powerUps = 0; // the module's power-ups when it answered
    };

    ControlOutcome control(std::string_view line);
    void powerUpDue(Clock::time_point now);
    void followAddresses();
    bool isModuleAddress(const in_addr& address) const;
    void onDatagram(const ReceivedDatagram& datagram);
    void onPtyInput(std::size_t port);
    void scheduleAnswer(std::size_t module, const SimModule::Answer& answer, Outgoing outgoing);
    void sendDue(Clock::time_point now);
    void send(const Outgoing& outgoing);
    void sendUdp(const Outgoing& outgoing);
    std::string takerText(const std::vector<std::size_t>& takers) const;
    void warnOnce(const std::string& text);

    std::optional<AddressAliases> aliases_;
    std::vector<SimModule> modules_;
    std::vector<in_addr> addresses_; // per module, its sending address
    // Every address a module sent from since the start: a frame to one of
    // them is meant for one module, never for all.
    std::unordered_set<in_addr_t> moduleAddresses_;
    FrameLog log_;
    std::optional<UdpLink> udp_;
    std::vector<std::unique_ptr<PtyPort>> ptys_;
    std::vector<std::size_t> ptyModule_; // per terminal, its module
    std::unique_ptr<ControlServer> control_;
    UniqueFd signals_;
    std::multimap<Clock::time_point, Outgoing> schedule_;
    // Power-ups asked for, by when; one whose module no longer waits for it
    // at that time (plugged or unplugged since) is let go.
    std::set<std::pair<Clock::time_point, std::size_t>> powerUps_;
    std::set<std::string> warned_;
    bool stop_ = false;
};

} // namespace lumiq::sim
