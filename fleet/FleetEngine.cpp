#include "fleet/FleetEngine.h"

#include <algorithm>
#include <stdexcept>

#include "protocol/EngineTiming.h"
#include "protocol/Frames.h"
#include "protocol/ReplyFields.h"
#include "state/AddressText.h"
#include "state/GbkText.h"

namespace lumiq::fleet {
namespace {

constexpr std::string_view kSetAccepted = "OK";
constexpr std::size_t kMaxRecordedReply = 200;

std::string MacKey(std::string_view mac) {
    std::string key(mac);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; });
    return key;
}

bool IsSet(const Step& step, SetButton button) { return step.kind == StepKind::Set && step.set->button == button; }

// The reply's first line, for people.
std::string ReplyLine(std::string_view payload) {
    std::string_view line = payload.substr(0, payload.find_first_of("\r\n"));
    line = line.substr(0, std::min(line.size(), kMaxRecordedReply));
    return GbkToUtf8(line.substr(0, GbkWholeCharactersLength(line)));
}

}  // namespace

FleetEngine::FleetEngine(DatagramPort& port, EngineOptions options) : port_(&port), options_(std::move(options)) {
    options_.parallel = std::max(1, options_.parallel);
    options_.timeoutMs = std::max(1, options_.timeoutMs);
    options_.longTimeoutMs = std::max(options_.timeoutMs, options_.longTimeoutMs);
}

FleetEngine::FleetEngine(SerialLink& serial, EngineOptions options, SerialTiming timing)
    : serial_(&serial), options_(std::move(options)), serialTiming_(timing) {
    options_.parallel = 1;
}

Session& FleetEngine::add(std::string mac, Route route, std::unique_ptr<Plan> plan) {
    if (started_) throw std::logic_error("sessions are added before the run starts");
    if (serial() && !sessions_.empty()) throw std::invalid_argument("a serial port reaches one module");
    for (const auto& session : sessions_) {
        if (MacKey(session->mac()) == MacKey(mac)) throw std::invalid_argument("two sessions for MAC " + mac);
    }
    sessions_.push_back(std::make_unique<Session>(std::move(mac), std::move(route), std::move(plan)));
    return *sessions_.back();
}

void FleetEngine::start(Millis now) {
    started_ = true;
    startQueued(now);
}

void FleetEngine::startQueued(Millis now) {
    if (starting_) return;  // the loop below goes on with the room just made
    starting_ = true;
    while (!cancelled_ && running_ < static_cast<std::size_t>(options_.parallel) && nextQueued_ < sessions_.size()) {
        Session& session = *sessions_[nextQueued_++];
        session.state_ = SessionState::Running;
        ++running_;
        route(session, session.mac_);
        beginNextStep(session, now, std::nullopt);
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
    int pace = step->paceMs;
    if (pace < 0) {
        if (!previous) {
            pace = 0;
        } else if (previous->kind == StepKind::Set && step->kind == StepKind::Set) {
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
    const bool mac = IsSet(step, SetButton::Mac);
    if (serial()) return mac ? serialTiming_.macReceiveWindowMs : serialTiming_.receiveWindowMs;
    return mac || IsSet(step, SetButton::Dip) ? options_.longTimeoutMs : options_.timeoutMs;
}

void FleetEngine::sendStep(Session& session, Millis now) {
    const Step& step = *session.step_;
    if (!session.stepOpen_) {
        StepRecord record;
        record.step = step;
        record.started = now;
        session.records_.push_back(std::move(record));
        session.stepOpen_ = true;
    }
    StepRecord& record = session.records_.back();
    ++record.sends;
    std::string target = session.mac_;
    if (IsSet(step, SetButton::Mac)) {
        // The module answers from its new MAC at once. If a reply was lost it
        // may already have taken it, so resends go to the new and the old MAC
        // in turn; the reply is routed from either.
        session.pendingMac_ = step.shown;
        route(session, session.pendingMac_);
        if (record.sends % 2 == 0) target = session.pendingMac_;
    }
    const std::string line = step.line();
    try {
        if (serial()) {
            serial_->writeStr(line);
        } else {
            port_->send(session.route_, ParseIp(kBroadcastText), UdpEnvelope(target, session.route_.localMac) + line);
        }
    } catch (const std::exception& error) {
        record.error = error.what();
        endStep(session, Outcome::LinkFailed, now);
        return;
    }
    session.phase_ = Session::Phase::Awaiting;
    session.wakeAt_ = now + waitAfterSend(step);
}

void FleetEngine::onDatagram(std::uint32_t peerIp, std::string_view datagram, Millis now) {
    if (serial() || cancelled_) return;
    // Our own broadcast coming back: its header names the module it went to.
    const auto& own = options_.ownAddresses;
    if (std::find(own.begin(), own.end(), peerIp) != own.end()) return;
    if (!HasMacEnd(datagram)) return;
    const auto found = byMac_.find(MacKey(ReplyMac(datagram)));
    if (found == byMac_.end()) return;  // no module of this run
    Session& session = *found->second;
    // Nothing awaited: a late or repeated reply to an exchange already ended.
    if (session.state_ != SessionState::Running || session.phase_ != Session::Phase::Awaiting) return;
    onReply(session, ReplyPayload(datagram), now);
}

void FleetEngine::onReply(Session& session, std::string_view received, Millis now) {
    const std::string_view payload = UpToZero(received);
    const Step& step = *session.step_;
    session.records_.back().reply = ReplyLine(payload);
    const std::string_view awaited = step.kind == StepKind::Query ? std::string_view(step.query->keyword) : kSetAccepted;
    if (payload.find(awaited) != std::string_view::npos) {
        if (step.kind == StepKind::Query) TakeReplyValues(*step.query, payload, session.values_);
        if (IsSet(step, SetButton::Mac)) {
            unroute(session.mac_);
            session.mac_ = session.pendingMac_;
            session.pendingMac_.clear();
            route(session, session.mac_);
        }
        endStep(session, Outcome::Ok, now);
        return;
    }
    // Queries and the factory default are asked again; a set answered
    // otherwise than "OK" was refused by the module.
    if (step.kind == StepKind::Set && !IsSet(step, SetButton::Default)) {
        endStep(session, Outcome::Refused, now);
        return;
    }
    retryOrFail(session, Outcome::WrongReply, now);
}

void FleetEngine::retryOrFail(Session& session, Outcome outcome, Millis now) {
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
    if (session.phase_ == Session::Phase::Pacing) {
        sendStep(session, now);
        return;
    }
    if (!serial()) {
        retryOrFail(session, Outcome::Timeout, now);
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
        retryOrFail(session, Outcome::Timeout, now);
    } else {
        onReply(session, received, now);
    }
}

void FleetEngine::endStep(Session& session, Outcome outcome, Millis now) {
    StepRecord& record = session.records_.back();
    record.outcome = outcome;
    record.ended = now;
    session.stepOpen_ = false;
    if (!session.pendingMac_.empty()) {
        if (MacKey(session.pendingMac_) != MacKey(session.mac_)) unroute(session.pendingMac_);
        session.pendingMac_.clear();
    }
    std::optional<Step> previous = std::move(session.step_);
    session.step_.reset();
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
    startQueued(now);
}

void FleetEngine::route(Session& session, const std::string& mac) { byMac_[MacKey(mac)] = &session; }

void FleetEngine::unroute(const std::string& mac) { byMac_.erase(MacKey(mac)); }

void FleetEngine::advance(Millis now) {
    if (!started_ || cancelled_) return;
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
    if (cancelled_) return next;
    for (const auto& session : sessions_) {
        if (session->state_ != SessionState::Running) continue;
        if (!next || session->wakeAt_ < *next) next = session->wakeAt_;
    }
    return next;
}

bool FleetEngine::finished() const {
    return cancelled_ || (started_ && running_ == 0 && nextQueued_ == sessions_.size());
}

void FleetEngine::cancel(Millis now) {
    cancelled_ = true;
    for (const auto& session : sessions_) {
        if (session->finished()) continue;
        if (session->stepOpen_) {
            StepRecord& record = session->records_.back();
            record.outcome = Outcome::Cancelled;
            record.ended = now;
            session->stepOpen_ = false;
        }
        session->state_ = SessionState::Cancelled;
    }
    byMac_.clear();
    running_ = 0;
}

std::size_t FleetEngine::finishedCount() const {
    return static_cast<std::size_t>(
        std::count_if(sessions_.begin(), sessions_.end(), [](const auto& session) { return session->finished(); }));
}

}  // namespace lumiq::fleet
