#pragma once
// Many modules at once over one link. Each module has its own session, keyed
// by its MAC text; a reply goes to the session its 20-byte header names, and
// counts only when it came from where the search saw that module and answers
// the exchange in progress (ReplyMatch.h). Every exchange ends in a known
// way: the awaited reply, a refusal, wrong replies or silence after the
// resends, or the end of the run.
//
// A set's answer is a bare "OK", which says nothing of what it answers. So
// a set is never sent blindly again: when its answer does not come, its
// parameter is read back (the query's answer names its keyword), and only a
// module that does not hold the value gets the set again. And nothing
// answered by "OK" goes out while an earlier frame's answer may still come.
//
// The engine never blocks and never reads a clock: the front end hands it
// datagrams and the time, and asks when to wake it next.
//
// Per module the pace is the window's: 30 ms from a reply to the next query,
// 300 ms between two sets, 2000 ms before reading back a factory default.
//
// Frames go by unicast to a module the search found reachable that way
// (Sighting::unicast): every other module would otherwise have to look at
// them. Everything else is broadcast like the window's: freshly unpacked
// modules often share one factory IP address, which unicast could not tell
// apart, and a module off the adapter's subnet is reached only that way.
// The envelope names the module's MAC either way. A unicast left unanswered
// (another host took the address, a stale ARP entry) is sent again by
// broadcast, and so is everything after a set that may move the module's
// address (IP, DHCP, the factory default): such a module stays on broadcast
// for the rest of the run. Every module hears every broadcast, so at most
// `broadcastParallel` modules start on broadcast at once.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "device/Exchange.h"
#include "device/LinkPorts.h"
#include "fleet/FleetPorts.h"
#include "fleet/Session.h"

namespace lumiq::fleet {

struct EngineOptions {
    // Modules worked on at once. A module reached by unicast costs the other
    // modules nothing; what bounds them is the host, which keeps up with 256
    // at once (about 9,000 frames a second each way; BENCHMARKS.md).
    int parallel = 256;
    int timeoutMs = 1000;     // an exchange without a reply, sent again
    int longTimeoutMs = 3000; // after a destination-IP or MAC set, which the module takes longer over
    int maxResends = kMaxResends;
    int queryPaceMs = kReplyToNextSendMs;
    int setPaceMs = kSetPaceMs;
    // Our own broadcasts come back to a socket bound to every address; their
    // header names the module they were sent to. Datagrams from these
    // addresses (network order) are dropped.
    std::vector<std::uint32_t> ownAddresses;
    // Of the modules worked on at once, those started on broadcast. Each
    // broadcasts about 35 frames a second, which every module hears: 32 keep
    // that near 1100 a second. A module that falls back to broadcast mid-run
    // counts from then on. Never more than `parallel`.
    int broadcastParallel = 32;
};

// On a serial port the module's reply is read at the end of a receive
// window instead of arriving as an event.
struct SerialTiming {
    int receiveWindowMs = kSerialReceiveWindowMs;
    int macReceiveWindowMs = kMacSetReceiveWindowMs;
    int replyToNextMs = kSenderTickMs;
};

class FleetEngine {
public:
    FleetEngine(DatagramPort& port, EngineOptions options);
    // One module wired to a serial port: bare command lines, no envelope.
    FleetEngine(SerialLink& serial, EngineOptions options, SerialTiming timing = {});
    FleetEngine(const FleetEngine&) = delete;
    FleetEngine& operator=(const FleetEngine&) = delete;

    // Before start(). Sessions are worked on in the order they were added.
    Session& add(std::string mac, Route route, std::unique_ptr<Plan> plan, Sighting sighting = {});

    void start(Millis now);
    // A datagram from the UDP socket, as received.
    void onDatagram(const Arrival& arrival, std::string_view datagram, Millis now);
    // Does whatever is due by `now`.
    void advance(Millis now);
    // When advance() next has something to do; nothing once finished.
    std::optional<Millis> nextWake() const;
    bool finished() const;
    // Ends the run gently: nothing new is sent, not even a resend; the
    // exchanges under way get their answers up to their time-out, then the
    // run is finished.
    void stop(Millis now);
    bool stopping() const { return stopping_; }
    // Ends the run at once: open exchanges end Cancelled (a set Unconfirmed),
    // nothing more is sent.
    void cancel(Millis now);
    // Modules with an exchange under way.
    std::size_t awaitingCount() const;

    const std::vector<std::unique_ptr<Session>>& sessions() const { return sessions_; }
    std::size_t finishedCount() const;

private:
    void startQueued(Millis now);
    void beginNextStep(Session& session, Millis now, std::optional<Step> previous);
    void sendStep(Session& session, Millis now);
    void onWake(Session& session, Millis now);
    void onReply(Session& session, std::string_view payload, Millis now);
    void onReadBackReply(Session& session, std::string_view payload, Millis now);
    void onSilence(Session& session, Millis now);
    void sendReadBack(Session& session, Millis now);
    void sendFrame(Session& session, const std::string& target, const std::string& line, int waitMs,
                   Millis now);
    bool fromTheModule(Session& session, const Arrival& arrival, Millis now);
    void retryOrFail(Session& session, Outcome outcome, Millis now);
    void endStep(Session& session, Outcome outcome, Millis now);
    void finish(Session& session, SessionState state, Millis now);
    int waitAfterSend(const Step& step) const;
    void toBroadcast(Session& session);
    void route(Session& session, const std::string& mac);
    void unroute(const std::string& mac);
    bool serial() const { return serial_ != nullptr; }

    DatagramPort* port_ = nullptr;
    SerialLink* serial_ = nullptr;
    EngineOptions options_;
    SerialTiming serialTiming_;
    std::vector<std::unique_ptr<Session>> sessions_;
    std::unordered_map<std::string, Session*> byMac_; // lower-case MAC text
    std::size_t nextQueued_ = 0;                      // every session before it has been started
    std::size_t running_ = 0;
    std::size_t broadcasting_ = 0; // running sessions whose frames are broadcast
    bool started_ = false;
    bool starting_ = false; // inside startQueued(): a session that ends at once does not recurse
    bool cancelled_ = false;
    bool stopping_ = false;
};

} // namespace lumiq::fleet
