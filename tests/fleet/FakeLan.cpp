#include "tests/fleet/FakeLan.h"

#include <arpa/inet.h>

#include <algorithm>

#include "sim/ModuleList.h"
#include "sim/UdpEnvelope.h"

namespace lumiq::fleet::testing {

FakeLan::FakeLan(int modules, int latencyMs) : latencyMs_(latencyMs) {
    for (int i = 0; i < modules; ++i) {
        modules_.push_back(std::make_unique<sim::SimModule>(
            sim::GeneratedModule(static_cast<unsigned>(i), ntohl(inet_addr("10.77.1.1")))));
    }
}

Route FakeLan::HostRoute() {
    return Route{7, inet_addr("10.77.0.1"), "02:00:00:00:00:01", "veth0"};
}

std::uint32_t FakeLan::moduleIp(int index) const {
    return inet_addr(modules_[static_cast<std::size_t>(index)]->address().c_str());
}

void FakeLan::send(const Route&, std::uint32_t destination, const std::string& bytes) {
    frames_.push_back({now, destination, bytes});
    const auto envelope = sim::ParseEnvelope(bytes);
    if (!envelope)
        return;
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        sim::SimModule& module = *modules_[i];
        if (!module.isAddressedBy(envelope->target))
            continue;
        const sim::SimModule::Answer answer = module.answer(sim::CommandLine(envelope->rest), true);
        for (const std::string& write : answer.writes) {
            if (dropReplies > 0) {
                --dropReplies;
                continue;
            }
            pending_.push_back({now + latencyMs_ + answer.delayMs, moduleIp(static_cast<int>(i)), write});
        }
    }
    std::stable_sort(pending_.begin(), pending_.end(),
                     [](const Pending& a, const Pending& b) { return a.due < b.due; });
}

template <class Driven, class Deliver> Millis FakeLan::drive(Driven& driven, Deliver deliver, Millis limit) {
    while (!driven.finished() && now < limit) {
        Millis next = limit;
        if (const auto wake = driven.nextWake())
            next = std::min(next, *wake);
        if (!pending_.empty())
            next = std::min(next, pending_.front().due);
        now = std::max(now, next);
        while (!pending_.empty() && pending_.front().due <= now) {
            const Pending reply = pending_.front();
            pending_.pop_front();
            deliver(reply.from, reply.bytes);
        }
        driven.advance(now);
    }
    return now;
}

Millis FakeLan::run(FleetEngine& engine, Millis limit) {
    return drive(
        engine,
        [&](std::uint32_t from, const std::string& bytes) {
            engine.onDatagram(Arrival{from, 5000, HostRoute().ifindex, false}, bytes, now);
        },
        limit);
}

Millis FakeLan::run(ModuleSearch& search, Millis limit) {
    return drive(
        search,
        [&](std::uint32_t from, const std::string& bytes) {
            search.onDatagram(Arrival{from, 5000, HostRoute().ifindex, false}, bytes, now);
        },
        limit);
}

Millis FakeLan::run(BatchJob& job, Millis limit) {
    struct Driven {
        BatchJob& job;
        bool finished() const { return !job.running(); }
        std::optional<Millis> nextWake() const { return job.nextWake(); }
        void advance(Millis at) { job.advance(at); }
    } driven{job};
    return drive(
        driven,
        [&](std::uint32_t from, const std::string& bytes) {
            job.onDatagram(Arrival{from, 5000, HostRoute().ifindex, false}, bytes, now);
        },
        limit);
}

std::vector<SentFrame> FakeLan::framesTo(const std::string& mac, const std::string& prefix) const {
    std::vector<SentFrame> result;
    for (const SentFrame& frame : frames_) {
        const auto envelope = sim::ParseEnvelope(frame.bytes);
        if (!envelope || (!mac.empty() && envelope->target != mac))
            continue;
        if (std::string_view(envelope->rest).starts_with(prefix))
            result.push_back(frame);
    }
    return result;
}

} // namespace lumiq::fleet::testing
