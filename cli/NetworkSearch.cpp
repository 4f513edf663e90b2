#include "cli/NetworkSearch.h"

#include <algorithm>

#include <arpa/inet.h>

#include "cli/SearchAdapters.h"
#include "links/AdapterRoutes.h"

namespace lumiq::cli {
namespace {

class SearchWork final : public Work {
public:
    SearchWork(fleet::ModuleSearch& search, std::size_t adapters) : search_(search), adapters_(adapters) {}
    void start(fleet::Millis now) override { search_.start(now); }
    void advance(fleet::Millis now) override { search_.advance(now); }
    std::optional<fleet::Millis> nextWake() const override { return search_.nextWake(); }
    bool finished() const override { return search_.finished(); }
    void cancel(fleet::Millis) override { search_.cancel(); }
    std::string progress() const override {
        return "searching on " + std::to_string(adapters_) + (adapters_ == 1 ? " adapter: " : " adapters: ") +
               std::to_string(search_.found().size()) + " modules answered";
    }

private:
    fleet::ModuleSearch& search_;
    std::size_t adapters_;
};

} // namespace

NetworkSearch::NetworkSearch(const Request& request, Interrupt& interrupt)
    : listed_(ListAdapters()), chosen_(ChooseAdapters(listed_, request.adapters)),
      port_(listed_, request.tap), loop_(interrupt) {}

SearchResult NetworkSearch::run(const fleet::SearchOptions& options) {
    std::vector<fleet::SearchAdapter> searched;
    for (const Adapter& adapter : chosen_)
        searched.push_back(SearchRouteOf(adapter));
    fleet::ModuleSearch search(port_, std::move(searched), options, port_.ownAddresses());
    SearchWork work(search, chosen_.size());
    port_.setReceiver([&](const fleet::Arrival& arrival, std::string_view datagram) {
        loop_.deliver([&](fleet::Millis now) { search.onDatagram(arrival, datagram, now); });
    });
    SearchResult result;
    result.origin = Now();
    result.interrupted = !loop_.run(work);
    result.elapsedMs = Now() - result.origin;
    port_.setReceiver({});
    result.found = search.found();
    for (fleet::FoundModule& module : result.found)
        module.searchFrames = search.framesSentTo(module);
    // Arrival order means little to people; adapters and addresses do.
    std::stable_sort(result.found.begin(), result.found.end(),
                     [](const fleet::FoundModule& a, const fleet::FoundModule& b) {
                         if (a.route.adapter != b.route.adapter)
                             return a.route.adapter < b.route.adapter;
                         return ntohl(a.ip) < ntohl(b.ip);
                     });
    return result;
}

} // namespace lumiq::cli
