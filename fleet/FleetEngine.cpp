#include "fleet/FleetEngine.h"

#include <algorithm>
#include <stdexcept>

#include "base/AsciiText.h"
#include "base/GbkText.h"
#include "device/Exchange.h"
#include "device/Frames.h"
#include "device/ReplyFields.h"
#include "device/ReplyMatch.h"
#include "state/AddressText.h"

namespace lumiq::fleet {
namespace {

constexpr std::size_t kMaxRecordedReply = 200;

std::string MacKey(std::string_view mac) {
    return AsciiLowered(mac);
}

bool IsSet(const Step& step, Param param) {
    return step.isSet() && step.param == param;
}

// The reply's first line, for people.
std::string ReplyLine(std::string_view payload) {
    std::string_view line = payload.substr(0, payload.find_first_of("\r\n"));
    line = line.substr(0, std::min(line.size(), kMaxRecordedReply));
    return GbkToUtf8(line.substr(0, GbkWholeCharactersLength(line)));
}

bool Holds(const ModuleValues& values, const std::vector<Value>& writes) {
    return std::all_of(writes.begin(), writes.end(),
                       [&](const Value& value) { return ValueOf(values, value.param) == value.text; });
}

std::string Where(std::uint32_t ip, const Route& route) {
    return IpToText(ip) + (route.adapter.empty() ? "" : " on " + route.adapter);
}

} // namespace

FleetEngine::FleetEngine(DatagramPort& port, EngineOptions options)
    : port_(&port), options_(std::move(options)) {
    options_.parallel = std::max(1, options_.parallel);
    options_.broadcastParallel = std::clamp(options_.broadcastParallel, 1, options_.parallel);
    options_.timeoutMs = std::max(1, options_.timeoutMs);
    options_.longTimeoutMs = std::max(options_.timeoutMs, options_.longTimeoutMs);
}

FleetEngine::FleetEngine(SerialLink& serial, EngineOptions options, SerialTiming timing)
    : serial_(&serial), options_(std::move(options)), serialTiming_(timing) {
    options_.parallel = 1;
    options_.broadcastParallel = 1;
}

Session& FleetEngine::add(std::string mac, Route route, std::unique_ptr<Plan> plan, Sighting sighting) {
    if (started_)
        throw std::logic_error("sessions are added before the run starts");
    if (serial() && !sessions_.empty())
        throw std::invalid_argument("a serial port reaches one module");
    for (const auto& session : sessions_) {
        if (MacKey(session->mac()) == MacKey(mac))
            throw std::invalid_argument("two sessions for MAC " + mac);
    }
    sessions_.push_back(
        std::make_unique<Session>(std::move(mac), std::move(route), std::move(plan), sighting));
    return *sessions_.back();
}

void FleetEngine::start(Millis now) {
    started_ = true;
    startQueued(now);
}

void FleetEngine::startQueued(Millis now) {
    if (starting_)
        return; // the loop below goes on with the room just made
    starting_ = true;
    const auto room = [this] {
        return !cancelled_ && !stopping_ && running_ < static_cast<std::size_t>(options_.parallel);
    };
    // In the order added, but a module reached by unicast does not wait
    // behind one that waits for room among the broadcast ones. A module that
    // ends at once makes room again: go round until nothing more starts.
    bool started = true;
    while (started && room()) {
        started = false;
        for (std::size_t i = nextQueued_; i < sessions_.size() && room(); ++i) {
            Session& session = *sessions_[i];
            const bool broadcast = session.unicastTo_ == 0;
            if (session.state_ != SessionState::Queued ||
                (broadcast && broadcasting_ >= static_cast<std::size_t>(options_.broadcastParallel)))
                continue;
            session.state_ = SessionState::Running;
            ++running_;
            if (broadcast)
                ++broadcasting_;
            started = true;
            route(session, session.mac_);
            beginNextStep(session, now, std::nullopt);
        }
        while (nextQueued_ < sessions_.size() && sessions_[nextQueued_]->state_ != SessionState::Queued)
            ++nextQueued_;
    }
    starting_ = false;
}

void FleetEngine::beginNextStep(Session& session, Millis now, std::optional<Step> previous) {
    std::optional<Step> step;
    try {
        step = session.plan_->next(session.values_);
    } catch (const std::exception& error) {
        StepRecord record;
        record.outcome = Outcome::Unsendable;
        record.error = error.what();
        record.started = record.ended = now;
        session.records_.push_back(std::move(record));
        finish(session, SessionState::Failed, now);
        return;
    }
    if (!step) {
        finish(session, SessionState::Done, now);
        return;
    }
    if (stopping_) {
        finish(session, SessionState::Cancelled, now);
        return;
    }
    int pace = step->paceMs;
    if (pace < 0) {
        if (!previous) {
            pace = 0;
        } else if (previous->changesModule() && step->changesModule()) {
            pace = options_.setPaceMs;
        } else {
            pace = serial() ? serialTiming_.replyToNextMs : options_.queryPaceMs;
        }
    }
    session.step_ = std::move(step);
    session.phase_ = Session::Phase::Pacing;
    session.wakeAt_ = now + pace;
}

int FleetEngine::waitAfterSend(const Step& step) const {
    const bool mac = IsSet(step, Param::Mac);
    if (serial())
        return mac ? serialTiming_.macReceiveWindowMs : serialTiming_.receiveWindowMs;
    return mac || IsSet(step, Param::Dip) ? options_.longTimeoutMs : options_.timeoutMs;
}

void FleetEngine::sendFrame(Session& session, const std::string& target, const std::string& line, int waitMs,
                            Millis now) {
    if (serial()) {
        serial_->writeStr(line);
    } else {
        const std::uint32_t to = session.unicastTo_ != 0 ? session.unicastTo_ : kBroadcastAddress;
        port_->send(session.route_, to, UdpEnvelope(target, session.route_.localMac) + line);
    }
    if (now >= session.quietAt_)
        session.unanswered_ = 0;
    ++session.unanswered_;
    session.quietAt_ = std::max(session.quietAt_, now + waitMs);
    session.wakeAt_ = now + waitMs;
}

void FleetEngine::sendStep(Session& session, Millis now) {
    const Step& step = *session.step_;
    // A bare "OK" cannot tell which frame it answers: hold such a step until
    // every earlier frame was answered or could no longer be.
    if (!serial() && step.answeredByOk() && session.unanswered_ > 0 && now < session.quietAt_) {
        session.phase_ = Session::Phase::Settling;
        session.wakeAt_ = session.quietAt_;
        return;
    }
    if (!session.stepOpen_) {
        StepRecord record;
        record.step = step;
        record.started = now;
        session.records_.push_back(std::move(record));
        session.stepOpen_ = true;
    }
    StepRecord& record = session.records_.back();
    ++record.sends;
    record.notHeld = false;
    std::string target = session.mac_;
    if (IsSet(step, Param::Mac)) {
        // The module answers from its new MAC at once. If a reply was lost it
        // may already have taken it, so resends go to the new and the old MAC
        // in turn; the reply is routed from either.
        session.pendingMac_ = step.shown;
        route(session, session.pendingMac_);
        if (record.sends % 2 == 0)
            target = session.pendingMac_;
    }
    // A module may answer from its new address at once.
    if (IsSet(step, Param::Ip))
        session.pendingIp_ = ParseIp(step.shown);
    session.phase_ = Session::Phase::Awaiting;
    try {
        sendFrame(session, target, step.line(), waitAfterSend(step), now);
    } catch (const std::exception& error) {
        record.error = error.what();
        endStep(session, Outcome::LinkFailed, now);
        return;
    }
    // The module may answer from another address after these, and later
    // take it for good: its old one is no longer known to be its own.
    if (IsSet(step, Param::Ip) || IsSet(step, Param::Dhcp) || step.isDefault())
        toBroadcast(session);
}

void FleetEngine::sendReadBack(Session& session, Millis now) {
    const Step& step = *session.step_;
    StepRecord& record = session.records_.back();
    ++record.readBacks;
    std::string target = session.mac_;
    // After a MAC set the module answers to the new MAC if it took it.
    if (IsSet(step, Param::Mac) && record.readBacks % 2 == 1)
        target = session.pendingMac_;
    session.phase_ = Session::Phase::ReadingBack;
    try {
        sendFrame(session, target, std::string(step.readBack().line), waitAfterSend(step), now);
    } catch (const std::exception& error) {
        record.error = error.what();
        endStep(session, Outcome::LinkFailed, now);
    }
}

bool FleetEngine::fromTheModule(Session& session, const Arrival& arrival, Millis now) {
    auto& known = session.addresses_;
    if (known.empty())
        return true;
    const unsigned adapter = session.route_.ifindex;
    const bool sameAdapter = adapter == 0 || arrival.ifindex == 0 || arrival.ifindex == adapter;
    const bool knownAddress = std::find(known.begin(), known.end(), arrival.peerIp) != known.end();
    if (knownAddress && sameAdapter)
        return true;
    // Its broadcast answer heard again through another adapter of this host
    // on the same LAN: the module's own, but not through its route.
    if (knownAddress)
        return false;
    if (sameAdapter && session.pendingIp_ != 0 && arrival.peerIp == session.pendingIp_)
        return true;
    if (sameAdapter && session.adoptAddress_) {
        known.push_back(arrival.peerIp);
        session.adoptAddress_ = false;
        return true;
    }
    // Frames go to a MAC, and every module with that MAC takes them: a second
    // sender means writes would land on a module nobody named.
    const std::string why = "a second sender answers with MAC " + session.mac_ + ": " +
                            Where(known.front(), session.route_) + " and " + IpToText(arrival.peerIp) +
                            (sameAdapter ? "" : " on another adapter") + "; nothing more is sent to it";
    if (!session.stepOpen_) {
        StepRecord record;
        if (session.step_)
            record.step = *session.step_;
        record.started = now;
        session.records_.push_back(std::move(record));
        session.stepOpen_ = true;
    }
    session.records_.back().error = why;
    endStep(session, Outcome::SecondSender, now);
    return false;
}

void FleetEngine::onDatagram(const Arrival& arrival, std::string_view datagram, Millis now) {
    if (serial() || cancelled_)
        return;
    // Our own broadcast coming back: its header names the module it went to.
    const auto& own = options_.ownAddresses;
    if (std::find(own.begin(), own.end(), arrival.peerIp) != own.end())
        return;
    if (!HasMacEnd(datagram))
        return;
    const auto found = byMac_.find(MacKey(ReplyMac(datagram)));
    if (found == byMac_.end())
        return; // no module of this run
    Session& session = *found->second;
    if (session.state_ != SessionState::Running)
        return;
    if (!fromTheModule(session, arrival, now))
        return;
    if (session.unanswered_ > 0)
        --session.unanswered_;
    switch (session.phase_) {
    case Session::Phase::Awaiting:
        onReply(session, ReplyPayload(datagram), now);
        break;
    case Session::Phase::ReadingBack:
        onReadBackReply(session, ReplyPayload(datagram), now);
        break;
    case Session::Phase::Settling:
        // The last earlier answer came: the held step may go.
        if (session.unanswered_ == 0)
            session.wakeAt_ = now;
        break;
    case Session::Phase::Pacing:
        break; // a late or repeated answer to an exchange already ended
    }
}

void FleetEngine::onReply(Session& session, std::string_view received, Millis now) {
    const std::string_view payload = UpToZero(received);
    const Step& step = *session.step_;
    const ReplyMatch match = step.isSet() ? MatchSetReply(payload) : MatchQueryReply(step.query(), payload);
    if (match == ReplyMatch::Other) {
        // A late answer to an earlier question; on a serial port nothing
        // else comes in this receive window.
        if (serial())
            onSilence(session, now);
        return;
    }
    session.records_.back().reply = ReplyLine(payload);
    if (match == ReplyMatch::Answer) {
        if (step.kind != StepKind::Query || TakeReplyValues(step.param, payload, session.values_)) {
            endStep(session, Outcome::Ok, now);
        } else {
            retryOrFail(session, Outcome::WrongReply, now);
        }
        return;
    }
    if (match == ReplyMatch::Refusal) {
        endStep(session, Outcome::Refused, now);
        return;
    }
    // A garbled answer to a set says nothing of whether it took.
    if (step.isSet()) {
        onSilence(session, now);
        return;
    }
    retryOrFail(session, Outcome::WrongReply, now);
}

void FleetEngine::onReadBackReply(Session& session, std::string_view received, Millis now) {
    const std::string_view payload = UpToZero(received);
    const Step& step = *session.step_;
    StepRecord& record = session.records_.back();
    const ReplyMatch match = MatchQueryReply(step.readBack(), payload);
    if (match != ReplyMatch::Answer) {
        // The set's own answer, late: an "ERROR" says it was refused; the
        // read-back still tells what the module holds.
        if (MatchSetReply(payload) == ReplyMatch::Refusal) {
            record.lateRefusal = true;
            record.reply = ReplyLine(payload);
        }
        if (serial())
            onSilence(session, now);
        return;
    }
    if (!record.lateRefusal)
        record.reply = ReplyLine(payload);
    if (!TakeReplyValues(step.param, payload, session.values_)) {
        // Unreadable: ask again, as after silence.
        onSilence(session, now);
        return;
    }
    record.notHeld = !Holds(session.values_, step.writes);
    if (!record.notHeld) {
        endStep(session, Outcome::Ok, now);
    } else if (record.lateRefusal) {
        endStep(session, Outcome::Refused, now);
    } else if (record.sends <= options_.maxResends && !stopping_) {
        // It does not hold the value: the set did not reach it. Send it again.
        session.phase_ = Session::Phase::Pacing;
        session.wakeAt_ = now + (serial() ? serialTiming_.replyToNextMs : options_.queryPaceMs);
    } else {
        endStep(session, Outcome::Timeout, now);
    }
}

void FleetEngine::onSilence(Session& session, Millis now) {
    const Step& step = *session.step_;
    if (session.phase_ == Session::Phase::ReadingBack) {
        if (session.records_.back().readBacks <= options_.maxResends && !stopping_) {
            sendReadBack(session, now);
        } else {
            endStep(session, Outcome::Unconfirmed, now);
        }
        return;
    }
    if (step.isSet()) {
        // Whether it took is read back before anything else goes out.
        if (stopping_) {
            endStep(session, Outcome::Unconfirmed, now);
        } else {
            sendReadBack(session, now);
        }
        return;
    }
    retryOrFail(session, Outcome::Timeout, now);
}

void FleetEngine::retryOrFail(Session& session, Outcome outcome, Millis now) {
    if (stopping_) {
        endStep(session, Outcome::Cancelled, now);
        return;
    }
    if (session.records_.back().sends <= options_.maxResends) {
        session.phase_ = Session::Phase::Pacing;
        // Silence has been waited for already; a wrong reply gets the pace.
        const int pace = serial() ? serialTiming_.replyToNextMs : options_.queryPaceMs;
        session.wakeAt_ = now + (outcome == Outcome::Timeout ? 0 : pace);
        return;
    }
    endStep(session, outcome, now);
}

void FleetEngine::onWake(Session& session, Millis now) {
    if (session.phase_ == Session::Phase::Pacing || session.phase_ == Session::Phase::Settling) {
        if (stopping_) {
            // Nothing new goes out, not even a set that is to be sent again.
            endStep(session, Outcome::Cancelled, now);
            return;
        }
        sendStep(session, now);
        return;
    }
    if (!serial()) {
        // Unanswered: if that was a unicast, its address may be another
        // host's now (an address conflict, a stale ARP entry); a broadcast
        // reaches the module by its MAC whatever its address.
        toBroadcast(session);
        onSilence(session, now);
        return;
    }
    std::string received;
    try {
        received = serial_->readStr(kSerialReadMax);
    } catch (const std::exception& error) {
        session.records_.back().error = error.what();
        endStep(session, Outcome::LinkFailed, now);
        return;
    }
    if (received.empty()) {
        onSilence(session, now);
    } else if (session.phase_ == Session::Phase::ReadingBack) {
        onReadBackReply(session, received, now);
    } else {
        onReply(session, received, now);
    }
}

void FleetEngine::endStep(Session& session, Outcome outcome, Millis now) {
    const bool open = session.stepOpen_;
    if (open) {
        StepRecord& record = session.records_.back();
        // A set that went out may have taken, unless it was read back without.
        if (outcome == Outcome::Cancelled && record.step.isSet() && record.sends > 0 && !record.notHeld)
            outcome = Outcome::Unconfirmed;
        record.outcome = outcome;
        record.ended = now;
        session.stepOpen_ = false;
    }
    const bool took = open && outcome == Outcome::Ok && session.step_;
    // What the module confirmed it holds now.
    if (took && session.step_->isSet()) {
        for (const Value& value : session.step_->writes)
            session.values_[value.param] = value.text;
    }
    if (took && IsSet(*session.step_, Param::Mac)) {
        unroute(session.mac_);
        session.mac_ = session.pendingMac_;
        route(session, session.mac_);
    }
    if (took && IsSet(*session.step_, Param::Ip) && session.pendingIp_ != 0 && !session.addresses_.empty())
        session.addresses_.push_back(session.pendingIp_);
    if (took && IsSet(*session.step_, Param::Dhcp))
        session.adoptAddress_ = !session.addresses_.empty();
    session.pendingIp_ = 0;
    if (!session.pendingMac_.empty()) {
        if (MacKey(session.pendingMac_) != MacKey(session.mac_))
            unroute(session.pendingMac_);
        session.pendingMac_.clear();
    }
    std::optional<Step> previous = std::move(session.step_);
    session.step_.reset();
    if (outcome == Outcome::Cancelled || outcome == Outcome::Unconfirmed) {
        finish(session, stopping_ || cancelled_ ? SessionState::Cancelled : SessionState::Failed, now);
        return;
    }
    if (outcome != Outcome::Ok) {
        finish(session, SessionState::Failed, now);
        return;
    }
    beginNextStep(session, now, std::move(previous));
}

void FleetEngine::finish(Session& session, SessionState state, Millis now) {
    session.state_ = state;
    unroute(session.mac_);
    --running_;
    if (session.unicastTo_ == 0)
        --broadcasting_;
    startQueued(now);
}

void FleetEngine::toBroadcast(Session& session) {
    if (session.unicastTo_ == 0)
        return;
    session.unicastTo_ = 0;
    ++broadcasting_;
}

void FleetEngine::route(Session& session, const std::string& mac) {
    byMac_[MacKey(mac)] = &session;
}

void FleetEngine::unroute(const std::string& mac) {
    byMac_.erase(MacKey(mac));
}

void FleetEngine::advance(Millis now) {
    if (!started_ || cancelled_)
        return;
    // A wake may make another session due at once (a module that ended makes
    // room for the next one), so go round until nothing is due.
    bool acted = true;
    while (acted) {
        acted = false;
        for (std::size_t i = 0; i < sessions_.size(); ++i) {
            Session& session = *sessions_[i];
            if (session.state_ == SessionState::Running && session.wakeAt_ <= now) {
                onWake(session, now);
                acted = true;
            }
        }
    }
}

std::optional<Millis> FleetEngine::nextWake() const {
    std::optional<Millis> next;
    if (cancelled_)
        return next;
    for (const auto& session : sessions_) {
        if (session->state_ != SessionState::Running)
            continue;
        if (!next || session->wakeAt_ < *next)
            next = session->wakeAt_;
    }
    return next;
}

bool FleetEngine::finished() const {
    if (cancelled_)
        return true;
    return started_ && running_ == 0 && (stopping_ || nextQueued_ == sessions_.size());
}

void FleetEngine::stop(Millis now) {
    if (stopping_ || cancelled_)
        return;
    stopping_ = true;
    for (std::size_t i = nextQueued_; i < sessions_.size(); ++i)
        if (sessions_[i]->state_ == SessionState::Queued)
            sessions_[i]->state_ = SessionState::Cancelled;
    nextQueued_ = sessions_.size();
    // What waits to be sent ends now; what awaits an answer ends with it.
    advance(now);
    for (const auto& session : sessions_) {
        const bool waiting =
            session->phase_ == Session::Phase::Pacing || session->phase_ == Session::Phase::Settling;
        if (session->state_ == SessionState::Running && waiting)
            onWake(*session, now);
    }
}

void FleetEngine::cancel(Millis now) {
    cancelled_ = true;
    for (const auto& session : sessions_) {
        if (session->finished())
            continue;
        if (session->stepOpen_) {
            StepRecord& record = session->records_.back();
            const bool mayHaveTaken = record.step.isSet() && record.sends > 0 && !record.notHeld;
            record.outcome = mayHaveTaken ? Outcome::Unconfirmed : Outcome::Cancelled;
            record.ended = now;
            session->stepOpen_ = false;
        }
        session->state_ = SessionState::Cancelled;
    }
    byMac_.clear();
    running_ = 0;
    broadcasting_ = 0;
}

std::size_t FleetEngine::awaitingCount() const {
    return static_cast<std::size_t>(
        std::count_if(sessions_.begin(), sessions_.end(), [](const auto& session) {
            return session->state_ == SessionState::Running &&
                   (session->phase_ == Session::Phase::Awaiting ||
                    session->phase_ == Session::Phase::ReadingBack);
        }));
}

std::size_t FleetEngine::finishedCount() const {
    return static_cast<std::size_t>(std::count_if(sessions_.begin(), sessions_.end(),
                                                  [](const auto& session) { return session->finished(); }));
}

} // namespace lumiq::fleet
