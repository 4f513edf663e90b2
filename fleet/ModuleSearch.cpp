#include "fleet/ModuleSearch.h"

#include <algorithm>

#include "base/ValueForms.h"
#include "device/Frames.h"
#include "device/ReplyFields.h"
#include "device/ReplyMatch.h"

namespace lumiq::fleet {
namespace {

// An answer to the search: the header with a MAC text in MAC form, then a
// bare "OK". Anything else on port 5000 is no module.
bool AnswersTheSearch(std::string_view datagram, const std::string& mac) {
    return HasMacEnd(datagram) && IsMacTextForm(mac) &&
           MatchSetReply(ReplyPayload(datagram)) == ReplyMatch::Answer;
}

} // namespace

bool ReachableByUnicast(const FoundModule& module) {
    return module.onSubnet && module.answeredUs && !module.duplicateIp && module.ip != 0;
}

ModuleSearch::ModuleSearch(DatagramPort& port, std::vector<SearchAdapter> adapters, SearchOptions options,
                           std::vector<std::uint32_t> own)
    : port_(port), adapters_(std::move(adapters)), options_(options), own_(std::move(own)) {
    options_.rounds = std::max(1, options_.rounds);
    options_.waitMs = std::max(1, options_.waitMs);
}

void ModuleSearch::start(Millis now) {
    started_ = true;
    sendRound();
    roundEnds_ = now + options_.waitMs;
}

void ModuleSearch::sendRound() {
    ++roundsSent_;
    for (const SearchAdapter& adapter : adapters_) {
        const std::string frame = DiscoveryFrame(adapter.route.localMac);
        for (const std::uint32_t destination : SearchDestinations(adapter))
            port_.send(adapter.route, destination, frame);
    }
}

void ModuleSearch::onDatagram(const Arrival& arrival, std::string_view datagram, Millis now) {
    // A module's later answers to the search's frames still count once the
    // search has ended, as long as they reach it (those taken from the socket
    // together with the answer that ended it do): the engine waits for any it
    // does not know came.
    if (!started_ || cancelled_)
        return;
    if (std::find(own_.begin(), own_.end(), arrival.peerIp) != own_.end())
        return;
    // Only answers on the adapters searched count; a module elsewhere could
    // not be reached through the adapter it would be recorded with.
    const SearchAdapter* adapter = RouteByIndex(adapters_, arrival.ifindex);
    if (adapter == nullptr)
        return;
    const std::string mac = ReplyMac(datagram);
    if (!AnswersTheSearch(datagram, mac))
        return;

    for (FoundModule& module : found_) {
        if (module.mac == mac && module.ip == arrival.peerIp) {
            ++module.replies;
            module.answeredUs = module.answeredUs || !arrival.broadcast;
            return;
        }
    }
    if (finished())
        return; // no module is added once the search has ended
    FoundModule module;
    module.mac = mac;
    module.ip = arrival.peerIp;
    module.port = arrival.peerPort;
    module.route = adapter->route;
    module.byBroadcast = arrival.broadcast;
    module.answeredUs = !arrival.broadcast;
    module.onSubnet = OnSubnetOf(*adapter, arrival.peerIp);
    module.replies = 1;
    module.firstAt = now;
    for (FoundModule& other : found_) {
        if (other.mac == mac)
            other.duplicateMac = module.duplicateMac = true;
        if (other.ip == arrival.peerIp)
            other.duplicateIp = module.duplicateIp = true;
    }
    found_.push_back(std::move(module));
}

int ModuleSearch::framesSentTo(const FoundModule& module) const {
    const SearchAdapter* adapter = RouteByIndex(adapters_, module.route.ifindex);
    return adapter == nullptr ? 0 : roundsSent_ * static_cast<int>(SearchDestinations(*adapter).size());
}

void ModuleSearch::advance(Millis now) {
    if (!started_ || finished() || now < roundEnds_)
        return;
    if (roundsSent_ < options_.rounds) {
        sendRound();
        roundEnds_ = now + options_.waitMs;
    } else {
        roundEnds_ = -1; // the last round has been waited out
    }
}

std::optional<Millis> ModuleSearch::nextWake() const {
    if (!started_ || finished())
        return std::nullopt;
    return roundEnds_;
}

bool ModuleSearch::finished() const {
    if (cancelled_ || (started_ && roundEnds_ < 0))
        return true;
    return options_.expect > 0 && found_.size() >= static_cast<std::size_t>(options_.expect);
}

} // namespace lumiq::fleet
