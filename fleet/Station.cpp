#include "fleet/Station.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>

#include "base/AsciiText.h"
#include "fleet/PreparedSettings.h"
#include "state/AddressText.h"

namespace lumiq::fleet {
namespace {

std::string Written(const std::vector<std::string>& sets) {
    std::string text;
    for (const std::string& set : sets) {
        if (!text.empty())
            text += "; ";
        text += set.rfind("set ", 0) == 0 ? set.substr(4) : set;
    }
    return text;
}

} // namespace

std::string SecondsText(Millis ms) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ms) / 1000.0);
    return text;
}

std::string_view StationStageName(StationStage stage) {
    switch (stage) {
    case StationStage::Probing:
        return "probing";
    case StationStage::Applying:
        return "applying";
    case StationStage::Waiting:
        return "waiting";
    case StationStage::Gone:
        return "gone";
    case StationStage::Checking:
        return "checking";
    case StationStage::Done:
        return "done";
    case StationStage::Failed:
        return "failed";
    }
    return "?";
}

struct Station::Batch {
    std::unique_ptr<FleetEngine> engine;
    std::vector<StationModule*> modules; // in the order of the engine's sessions
    bool check = false;                  // a read after the restart, nothing written
};

Station::Station(DatagramPort& port, ProbePort& probes, std::vector<SearchRoute> adapters,
                 std::vector<std::uint32_t> ownAddresses, std::vector<std::string> ownMacs,
                 std::vector<Value> profile, IdentityPools& pools, const CommissionMemory& memory,
                 CommissionLog& log, StationEvents& events, StationOptions options)
    : port_(port), probe_(probes, ProbeOptions{}, std::move(ownMacs)), adapters_(std::move(adapters)),
      own_(std::move(ownAddresses)), profile_(std::move(profile)), pools_(pools), log_(log), events_(events),
      options_(std::move(options)), doneBefore_(memory.doneMacs.begin(), memory.doneMacs.end()) {
    options_.engine.ownAddresses = own_;
    // The pool's addresses keep clear of the ends of the profile's subnet.
    pools_.setMaskFrom(profile_);
    for (const unsigned number : memory.numbers)
        pools_.reserveNumber(number);
    for (const std::uint32_t address : memory.addresses)
        pools_.reserveAddress(address);
}

Station::~Station() = default;

void Station::start(Millis now) {
    started_ = true;
    nextSearchAt_ = now;
    advance(now);
}

bool Station::busy() const {
    if (!batches_.empty())
        return true;
    return std::any_of(modules_.begin(), modules_.end(),
                       [](const auto& module) { return module->stage == StationStage::Probing; });
}

// A module being written or read must not hear a search: its answer is a
// bare "OK", which the engine could take for the answer to a set. So the
// searches and the engine runs take turns.
bool Station::searching() const {
    if (stopping_ || cancelled_)
        return false;
    if (!closed_)
        return true;
    return std::any_of(modules_.begin(), modules_.end(), [](const auto& module) {
        return module->stage == StationStage::Waiting || module->stage == StationStage::Gone;
    });
}

bool Station::taking() const {
    if (stopping_ || cancelled_ || closed_)
        return false;
    if (options_.count <= 0)
        return true;
    const auto atWork = std::count_if(modules_.begin(), modules_.end(), [](const auto& module) {
        return module->stage != StationStage::Done && module->stage != StationStage::Failed;
    });
    return done_ + atWork < options_.count;
}

void Station::onDatagram(const Arrival& arrival, std::string_view datagram, Millis now) {
    if (search_)
        search_->onDatagram(arrival, datagram, now);
    for (const auto& batch : batches_)
        batch->engine->onDatagram(arrival, datagram, now);
    afterBatches(now);
}

void Station::onArp(const ArpHeard& heard, Millis now) {
    probe_.onArp(heard, now);
    afterProbes(now);
}

void Station::advance(Millis now) {
    if (search_) {
        search_->advance(now);
        if (search_->finished())
            afterSearch(now);
    } else if (searching() && !busy() && now >= nextSearchAt_) {
        search_ = std::make_unique<ModuleSearch>(port_, adapters_, SearchOptions{options_.searchWaitMs, 0, 1},
                                                 own_);
        search_->start(now);
    }
    probe_.advance(now);
    afterProbes(now);
    for (const auto& batch : batches_)
        batch->engine->advance(now);
    afterBatches(now);
}

std::optional<Millis> Station::nextWake() const {
    std::optional<Millis> next;
    const auto consider = [&](std::optional<Millis> at) {
        if (at && (!next || *at < *next))
            next = at;
    };
    if (search_)
        consider(search_->nextWake());
    else if (searching() && !busy())
        consider(nextSearchAt_);
    consider(probe_.nextWake());
    for (const auto& batch : batches_)
        consider(batch->engine->nextWake());
    return next;
}

bool Station::finished() const {
    if (!started_ || search_ || busy())
        return false;
    return stopping_ || cancelled_ || !searching();
}

StationModule* Station::moduleOf(const std::string& mac) {
    const std::string key = AsciiLowered(mac);
    for (auto it = modules_.rbegin(); it != modules_.rend(); ++it) {
        if (AsciiLowered((*it)->mac) == key)
            return it->get();
    }
    return nullptr;
}

Sighting Station::sightingOf(const FoundModule& found) {
    // Answers to the search that had not come by its end may still come; no
    // later than an exchange's time-out after the module's first one.
    const bool unicast = ReachableByUnicast(found) && options_.unicastRoom > 0;
    if (unicast)
        --options_.unicastRoom;
    return Sighting{found.ip, std::max(0, found.searchFrames - found.replies),
                    found.firstAt + options_.engine.timeoutMs, unicast};
}

void Station::afterSearch(Millis now) {
    std::vector<FoundModule> found = search_->found();
    for (FoundModule& module : found)
        module.searchFrames = search_->framesSentTo(module);
    search_.reset();
    nextSearchAt_ = now + options_.intervalMs;

    // An address a module holds is never given to another one.
    for (const FoundModule& module : found)
        pools_.reserveAddress(module.ip);
    for (const auto& module : modules_)
        module->seenThisSearch = false;

    std::vector<StationModule*> back;
    for (const FoundModule& answer : found) {
        const std::string key = AsciiLowered(answer.mac);
        const bool told = std::find(told_.begin(), told_.end(), key) != told_.end();
        if (answer.duplicateMac) {
            // Two modules answer with one MAC: a frame to it reaches both.
            if (!told) {
                told_.push_back(key);
                events_.onStationEvent({StationEventKind::Refused, nullptr, answer.mac, answer.ip, {}}, now);
            }
            continue;
        }
        if (StationModule* module = moduleOf(answer.mac)) {
            module->seenThisSearch = true;
            if (module->stage == StationStage::Waiting && answer.ip != module->seen.ip) {
                // A module sends from a new address only after a restart: it
                // went and came back between two searches.
                module->stage = StationStage::Gone;
                emit(StationEventKind::Gone, module, now);
            }
            if (module->stage == StationStage::Gone) {
                module->seen = answer;
                back.push_back(module);
                continue;
            }
            if (module->stage != StationStage::Failed || !module->wentAway)
                continue;
            // Failed, taken away and brought back: a new attempt.
        } else if (std::find(doneBefore_.begin(), doneBefore_.end(), key) != doneBefore_.end()) {
            if (!told) {
                told_.push_back(key);
                events_.onStationEvent({StationEventKind::Skipped, nullptr, answer.mac, answer.ip, {}}, now);
            }
            continue;
        }
        if (taking())
            takeNew(answer, now);
    }
    for (const auto& module : modules_) {
        if (module->seenThisSearch)
            continue;
        if (module->stage == StationStage::Waiting) {
            module->stage = StationStage::Gone;
            emit(StationEventKind::Gone, module.get(), now);
        } else if (module->stage == StationStage::Failed) {
            module->wentAway = true;
        }
    }
    if (!back.empty())
        startBatch(std::move(back), true, now);
    afterProbes(now);
}

void Station::takeNew(const FoundModule& found, Millis now) {
    auto module = std::make_unique<StationModule>();
    module->mac = found.mac;
    module->route = found.route;
    module->ipBefore = found.ip;
    module->seen = found;
    module->seenThisSearch = true;
    module->foundAt = now;
    if (pools_.givesAddress()) {
        try {
            module->address = pools_.takeAddress();
        } catch (const PoolExhausted& error) {
            close(error.what()); // nothing was chosen for it: it is left as it is
            return;
        }
    }
    module->number = pools_.takeNumber();
    StationModule& taken = *modules_.emplace_back(std::move(module));
    emit(StationEventKind::Found, &taken, now);
    if (taken.address != 0 && options_.probe)
        probe_.start(taken.route.ifindex, taken.address, now);
}

// A module whose address was found taken, or went to a module of a lower
// number, probes the next one of the pool. When the pool has run out, it
// ends with nothing sent to it.
void Station::chooseAnother(StationModule& module, Millis now) {
    try {
        module.address = pools_.takeAddress();
    } catch (const PoolExhausted& error) {
        close(error.what());
        module.address = 0;
        module.result = ApplyResult::Failed;
        module.detail = error.what();
        module.stage = StationStage::Failed;
        module.endedAt = now;
        ++failed_;
        emit(StationEventKind::Failed, &module, now);
        return;
    }
    probe_.start(module.route.ifindex, module.address, now);
}

// The addresses of the modules being probed are settled together, so that
// they follow the modules' numbers however many turn out taken: the lowest
// free address goes to the lowest number.
void Station::afterProbes(Millis now) {
    if (search_)
        return; // a module must not hear the search while it is written
    std::vector<StationModule*> probing;
    for (const auto& module : modules_) {
        if (module->stage == StationStage::Probing)
            probing.push_back(module.get());
    }
    if (probing.empty())
        return;
    if (options_.probe && pools_.givesAddress()) {
        for (const StationModule* module : probing) {
            if (probe_.verdict(module->route.ifindex, module->address) == ProbeVerdict::Pending)
                return;
        }
        probing = settleAddresses(probing, now);
    }
    for (std::size_t i = 0; i < probing.size(); ++i) {
        StationModule& module = *probing[i];
        try {
            const std::optional<std::uint32_t> address =
                module.address != 0 ? std::optional<std::uint32_t>(module.address) : std::nullopt;
            module.wanted =
                Overlaid(profile_, pools_.valuesFor(module.number, AsciiLowered(module.mac), address));
        } catch (const InputError& error) {
            // Every later number would fail the same way.
            module.result = ApplyResult::Failed;
            module.detail = error.what();
            close(error.what());
            finish(module, StationStage::Failed, now);
            continue;
        }
        logModule(module, "started", false, now);
    }
    std::vector<StationModule*> ready;
    for (StationModule* module : probing) {
        if (module->stage == StationStage::Probing)
            ready.push_back(module);
    }
    if (!ready.empty())
        startBatch(std::move(ready), false, now);
}

// On each adapter, the free addresses go to the modules in the order of
// their numbers; a module left without one probes the next of the pool.
// Returns the modules that have their address now.
std::vector<StationModule*> Station::settleAddresses(const std::vector<StationModule*>& probing, Millis now) {
    std::vector<StationModule*> settled;
    std::vector<unsigned> adapters;
    for (const StationModule* module : probing) {
        if (std::find(adapters.begin(), adapters.end(), module->route.ifindex) == adapters.end())
            adapters.push_back(module->route.ifindex);
    }
    for (const unsigned ifindex : adapters) {
        std::vector<StationModule*> modules;
        std::vector<std::uint32_t> free;
        for (StationModule* module : probing) {
            if (module->route.ifindex != ifindex)
                continue;
            modules.push_back(module);
            if (probe_.verdict(ifindex, module->address) == ProbeVerdict::Free)
                free.push_back(module->address);
            else
                logTaken(*module, probe_.holder(ifindex, module->address), now);
            probe_.forget(ifindex, module->address);
        }
        std::sort(free.begin(), free.end(),
                  [](std::uint32_t a, std::uint32_t b) { return ntohl(a) < ntohl(b); });
        for (std::size_t i = 0; i < modules.size(); ++i) {
            if (i < free.size()) {
                modules[i]->address = free[i];
                settled.push_back(modules[i]);
            } else {
                chooseAnother(*modules[i], now);
            }
        }
    }
    return settled;
}

void Station::logTaken(const StationModule& module, const std::string& holder, Millis now) {
    CommissionRow row;
    row.adapter = module.route.adapter;
    row.addressAfter = IpToText(module.address);
    row.result = "address-taken";
    row.detail = "answered for by " + holder;
    log_.append(std::move(row));
    events_.onStationEvent({StationEventKind::AddressTaken, &module, module.mac, module.address, holder},
                           now);
}

void Station::startBatch(std::vector<StationModule*> modules, bool check, Millis now) {
    auto batch = std::make_unique<Batch>();
    batch->engine = std::make_unique<FleetEngine>(port_, options_.engine);
    batch->check = check;
    for (StationModule* module : modules) {
        batch->engine->add(module->mac, module->route, std::make_unique<ApplyPlan>(module->wanted, check),
                           sightingOf(module->seen));
        module->stage = check ? StationStage::Checking : StationStage::Applying;
        emit(check ? StationEventKind::Back : StationEventKind::Applying, module, now);
    }
    batch->modules = std::move(modules);
    batch->engine->start(now);
    batches_.push_back(std::move(batch));
    afterBatches(now);
}

void Station::afterBatches(Millis now) {
    for (std::size_t b = 0; b < batches_.size();) {
        Batch& batch = *batches_[b];
        if (!batch.engine->finished()) {
            ++b;
            continue;
        }
        const auto owned = std::move(batches_[b]);
        batches_.erase(batches_.begin() + static_cast<std::ptrdiff_t>(b));
        const auto& sessions = owned->engine->sessions();
        for (std::size_t i = 0; i < sessions.size(); ++i) {
            if (owned->check)
                endCheck(*owned->modules[i], *sessions[i], now);
            else
                endApply(*owned->modules[i], *sessions[i], now);
        }
    }
}

void Station::endApply(StationModule& module, const Session& session, Millis now) {
    const auto& plan = dynamic_cast<const ApplyPlan&>(session.plan());
    ApplySummary summary = Summarize(session, plan, false);
    module.result = summary.result;
    module.detail = summary.detail;
    module.written = Written(summary.written);
    if (summary.result != ApplyResult::Applied && summary.result != ApplyResult::Unchanged) {
        finish(module, StationStage::Failed, now);
        return;
    }
    if (!options_.verifyAfterRestart) {
        finish(module, StationStage::Done, now);
        return;
    }
    if (stopping_ || cancelled_) {
        module.verification = "interrupted";
        finish(module, StationStage::Failed, now);
        return;
    }
    module.stage = StationStage::Waiting;
    emit(StationEventKind::Waiting, &module, now);
}

void Station::endCheck(StationModule& module, const Session& session, Millis now) {
    const auto& plan = dynamic_cast<const ApplyPlan&>(session.plan());
    const ApplySummary summary = Summarize(session, plan, true);
    if (summary.result == ApplyResult::Unchanged) {
        module.verification = "verified";
        finish(module, StationStage::Done, now);
        return;
    }
    if (summary.result == ApplyResult::Differs) {
        std::string lost;
        for (const Difference& difference : plan.differences())
            lost += (lost.empty() ? "" : ", ") + std::string(KeyOf(difference.param));
        module.verification = "lost " + lost;
        module.detail = "after its restart it no longer holds " + lost;
    } else {
        module.verification = "not read";
        module.detail = "after its restart: " + summary.detail;
    }
    finish(module, StationStage::Failed, now);
}

void Station::finish(StationModule& module, StationStage stage, Millis now) {
    module.stage = stage;
    module.endedAt = now;
    const bool done = stage == StationStage::Done;
    (done ? done_ : failed_)++;
    logModule(module, ApplyResultName(module.result), done, now);
    emit(done ? StationEventKind::Done : StationEventKind::Failed, &module, now);
    if (options_.count > 0 && done_ >= options_.count)
        close("");
}

void Station::logModule(const StationModule& module, std::string_view result, bool done, Millis now) {
    CommissionRow row;
    row.mac = module.mac;
    row.adapter = module.route.adapter;
    row.number = module.number;
    row.addressBefore = IpToText(module.ipBefore);
    if (module.address != 0)
        row.addressAfter = IpToText(module.address);
    row.written = module.written;
    row.result = std::string(result);
    row.verification = module.verification;
    row.done = done;
    row.detail = module.detail;
    row.seconds = SecondsText(now - module.foundAt);
    log_.append(std::move(row));
}

void Station::emit(StationEventKind kind, const StationModule* module, Millis now) {
    events_.onStationEvent({kind, module, module->mac, module->address, {}}, now);
}

void Station::close(std::string reason) {
    closed_ = true;
    if (stopReason_.empty())
        stopReason_ = std::move(reason);
}

void Station::stop(Millis now) {
    stopping_ = true;
    if (search_)
        search_->cancel();
    search_.reset();
    for (const auto& batch : batches_)
        batch->engine->stop(now);
    for (const auto& module : modules_) {
        if (module->stage == StationStage::Probing) {
            // Nothing was sent to it: its number and address were never used.
            module->stage = StationStage::Failed;
            module->detail = "stopped before anything was written";
            module->endedAt = now;
        } else if (module->stage == StationStage::Waiting || module->stage == StationStage::Gone) {
            module->verification = "interrupted";
            module->detail = "stopped before its restart was seen";
            finish(*module, StationStage::Failed, now);
        }
    }
    afterBatches(now);
}

void Station::cancel(Millis now) {
    if (!stopping_)
        stop(now);
    cancelled_ = true;
    for (const auto& batch : batches_)
        batch->engine->cancel(now);
    afterBatches(now);
}

std::string Station::progress() const {
    const auto atWork = std::count_if(modules_.begin(), modules_.end(), [](const auto& module) {
        return module->stage != StationStage::Done && module->stage != StationStage::Failed;
    });
    return std::to_string(done_) + " done, " + std::to_string(failed_) + " failed, " +
           std::to_string(atWork) + " at work";
}

} // namespace lumiq::fleet
