#pragma once
// The course's way to modules over the network: the search on the chosen
// adapters, its targets resolved against what answered, and the engine on the
// same UDP socket, each module reached through the adapter it answered on.

#include <memory>
#include <optional>

#include "cli/ModuleCourse.h"
#include "cli/NetworkSearch.h"
#include "net/NeighbourRoom.h"

namespace lumiq::cli {

class NetworkReach final : public ModuleReach {
public:
    // Throws as NetworkSearch does.
    NetworkReach(const Request& request, Interrupt& interrupt);

    ReachedModules find(bool writes, Report& report) override;
    const std::vector<fleet::FoundModule>& found() const override { return search_.found; }
    std::string nameOf(const Resolved& module) const override;
    void open() override;
    const fleet::Session& add(const Resolved& module, std::unique_ptr<fleet::Plan> plan) override;
    bool run(std::string_view command) override;

private:
    const Request& request_;
    NetworkSearch network_;
    SearchResult search_;
    fleet::EngineOptions options_;
    std::unique_ptr<fleet::FleetEngine> engine_;
    int unicastRoom_ = NeighbourRoom(); // modules a run may still reach by unicast
};

} // namespace lumiq::cli
