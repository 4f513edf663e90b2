#pragma once
// One simulated module: its addresses, its parameters (current and factory),
// how it replies, and the faults it is told to show.

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Faults.h"
#include "sim/ParamRules.h"

namespace lumiq::sim {

enum class ReplyMode {
    Unicast,   // to the sender's address and port
    Broadcast, // to 255.255.255.255, port 5000
};

struct ModuleSetup {
    ModuleParams factory; // every keyword; "AT+DEFAULT" brings these back
    // The address the module sends from on the UDP link. It stays the same
    // after "AT+IP=": the new value is only reported, as a module that has not
    // been restarted does. A power-up takes it from the IP parameter.
    std::string address;
    // Off: the module is off the LAN (cable pulled or power off) until it is
    // plugged in.
    bool plugged = true;
    ReplyMode reply = ReplyMode::Unicast;
    Faults faults;
    // Set: the module sits on a pseudo-terminal, this path linking to it, and
    // not on the UDP link.
    std::string ptyPath;
};

class SimModule {
public:
    using Clock = std::chrono::steady_clock;

    explicit SimModule(ModuleSetup setup);

    // The MAC text the module answers to and writes in its reply header.
    const std::string& mac() const;
    const std::string& address() const { return setup_.address; }
    bool onPty() const { return !setup_.ptyPath.empty(); }
    const std::string& ptyPath() const { return setup_.ptyPath; }

    ReplyMode replyMode() const { return setup_.reply; }
    void setReplyMode(ReplyMode mode) { setup_.reply = mode; }

    // Its own MAC text, or the all-zero one that addresses every module.
    bool isAddressedBy(std::string_view target) const;

    // Frames that reached the module on its link, by whom they named: its
    // own MAC, every module (the search), or anything else (another MAC, no
    // envelope at all), which its firmware looked at only to find that it
    // was not meant.
    struct HeardFrames {
        std::size_t own = 0;
        std::size_t search = 0;
        std::size_t other = 0;
    };
    // Counts a frame that reached the module; says whether the module takes
    // it. `target`: the envelope's target MAC text, nothing without one.
    bool hear(std::optional<std::string_view> target);
    const HeardFrames& heard() const { return heard_; }
    void forgetHeard() { heard_ = {}; }

    struct Answer {
        std::vector<std::string> writes; // each one datagram, or one write to the terminal
        unsigned delayMs = 0;
    };
    // What the module sends back for one frame. `command` is the line before
    // "\r\n", nothing when the frame had no line end. `withHeader` puts the
    // UDP reply header in front.
    Answer answer(std::optional<std::string_view> command, bool withHeader);

    ModuleParams& params() { return params_; }
    const ModuleParams& params() const { return params_; }
    Faults& faults() { return setup_.faults; }
    const Faults& faults() const { return setup_.faults; }

    // Factory parameters and no faults.
    void reset();

    // Unplugged, the module hears nothing and sends nothing; its parameters
    // stay. Unplugging also calls off a power-up that was due.
    bool plugged() const { return setup_.plugged; }
    void unplug();
    // Plugged in, as just powered on (also when it was plugged in: a
    // restart): the parameters it is told to forget fall back to their
    // factory values, then it sends from the address of its IP parameter.
    void powerUp();
    // Unplugs it now and has it powered up at `backAt`, by whoever keeps
    // the time (powerUpDue()).
    void powerCycle(Clock::time_point backAt);
    std::optional<Clock::time_point> powerUpDue() const { return powerUpDue_; }
    // How many times it was powered up: an answer due from before the
    // latest power-up is never sent.
    unsigned powerUps() const { return powerUps_; }

private:
    ModuleSetup setup_;
    ModuleParams params_;
    HeardFrames heard_;
    std::optional<Clock::time_point> powerUpDue_;
    unsigned powerUps_ = 0;
};

} // namespace lumiq::sim
