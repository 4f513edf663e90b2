// lumiq commission: a line station. Watches the adapters with repeated
// searches and gives each factory-fresh module that appears the profile and
// its next identity from the pools, read back, logged, and with
// --verify-after-restart seen again after a power cycle.

#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/ArpProbePort.h"
#include "cli/CommonOptions.h"
#include "cli/DoneHook.h"
#include "cli/EngineRun.h"
#include "cli/ExitStatus.h"
#include "cli/NetworkSearch.h"
#include "cli/StationOutput.h"
#include "cli/Subcommands.h"
#include "cli/TerminalText.h"
#include "links/AdapterRoutes.h"
#include "net/NeighbourRoom.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

constexpr int kHookWaitAtEndMs = 30000;

// A file's or an option's fault, found when the station starts.
template <typename Make> auto Checked(Make make) -> decltype(make()) {
    try {
        return make();
    } catch (const fleet::InputError& error) {
        throw UsageError(error.what());
    }
}

class StationWork final : public Work {
public:
    explicit StationWork(fleet::Station& station) : station_(station) {}
    void start(fleet::Millis now) override { station_.start(now); }
    void advance(fleet::Millis now) override { station_.advance(now); }
    std::optional<fleet::Millis> nextWake() const override { return station_.nextWake(); }
    bool finished() const override { return station_.finished(); }
    void cancel(fleet::Millis now) override { station_.cancel(now); }
    void stop(fleet::Millis now) override { station_.stop(now); }
    std::string progress() const override {
        std::string text = "commission: " + station_.progress();
        for (const auto& module : station_.modules()) {
            if (module->stage == fleet::StationStage::Waiting || module->stage == fleet::StationStage::Gone)
                return text + "; waiting for " + TerminalText(module->mac) + " to restart";
        }
        return text;
    }

private:
    fleet::Station& station_;
};

// What the station's options hold; the Request has the shared ones.
struct StationRequest {
    std::string logPath = "commission-log.csv";
    std::string onDone;
    bool noProbe = false;
    fleet::StationOptions options;
};

class CommissionCommand final : public Subcommand {
public:
    std::string_view name() const override { return "commission"; }
    ReportForm form() const override { return ReportForm::Streamed; }

    CLI::App& addTo(CLI::App& app, Request& request, OutputFlags& output) override {
        CLI::App* sub = app.add_subcommand(
            "commission", "a line station: give each new module the profile and its next identity");
        sub->add_option("--profile", request.profilePath,
                        "settings every module gets: [profile] INI, or a CFG.ini")
            ->type_name("FILE")
            ->check(NamesAFile);
        sub->add_option("--assign", request.assignments,
                        "identities from a pool: ip=A-B or ip=A+, port=N+, name=TEXT{n:03} (repeatable)")
            ->type_name("KEY=TEMPLATE")
            ->allow_extra_args(false);
        sub->add_option("--first", request.firstNumber, "the first sequence number")
            ->type_name("N")
            ->check(CLI::Range(0u, 999999999u))
            ->capture_default_str();
        sub->add_option("--log", station_.logPath,
                        "the commissioning log (CSV), read at start and appended to")
            ->type_name("FILE")
            ->check(NamesAFile)
            ->capture_default_str();
        sub->add_flag("--verify-after-restart", station_.options.verifyAfterRestart,
                      "a module is done once it went away and came back with its values");
        sub->add_option("--on-done", station_.onDone,
                        "run CMD (sh -c) for each module done, its values in LUMIQ_* variables")
            ->type_name("CMD");
        sub->add_option("--count", station_.options.count, "end after N modules are done")
            ->type_name("N")
            ->check(CLI::Range(1, 1000000));
        sub->add_flag("--no-probe", station_.noProbe,
                      "give addresses without asking the LAN first (ARP probes need CAP_NET_RAW)");
        sub->add_option("--adapter", request.adapters, "watch this adapter only (repeatable; default all)")
            ->allow_extra_args(false)
            ->type_name("NAME|all");
        sub->add_option("--wait", station_.options.searchWaitMs, "how long each search waits for answers")
            ->type_name("MS")
            ->check(CLI::Range(100, kLongestWaitMs))
            ->capture_default_str();
        sub->add_option("--interval", station_.options.intervalMs, "from one search's end to the next")
            ->type_name("MS")
            ->check(CLI::Range(0, kLongestWaitMs))
            ->capture_default_str();
        sub->add_option("--parallel", request.parallel, "write at most N modules at once")
            ->type_name("N")
            ->check(CLI::Range(1, kMostModules));
        sub->add_option("--timeout", request.timeoutMs, "an exchange without a reply is sent again after MS")
            ->type_name("MS")
            ->check(CLI::Range(1, kLongestWaitMs))
            ->default_str(std::to_string(fleet::EngineOptions{}.timeoutMs));
        sub->add_flag("--json", output.json, "one JSON object per event, one a line");
        sub->footer(
            "Ends on Ctrl+C, after --count modules, or when a pool runs out. Exit status: 0 every\n"
            "module done, 1 a module failed or a pool ran out, 2 bad usage, 3 no network, 130 Ctrl+C.");
        return *sub;
    }

    // Everything read and checked before anything is sent.
    void check(Request& request) const override {
        if (request.profilePath.empty() && request.assignments.empty())
            throw UsageError("commission needs --profile FILE, --assign KEY=TEMPLATE, or both");
        Checked([&] {
            if (!request.profilePath.empty())
                request.profile = fleet::LoadProfile(request.profilePath, false);
            // One module IP for every module would give them all one address.
            fleet::CheckDistinctIdentities(request.profile, nullptr, 2);
            request.pools = fleet::IdentityPools(request.assignments, request.firstNumber);
            (void)fleet::ReadCommissionLog(station_.logPath);
        });
    }

    int run(const Request& request, Interrupt& interrupt, Report& report) const override {
        NetworkSearch network(request, interrupt);
        report.adapters = network.adapters();
        fleet::IdentityPools pools = request.pools; // the station takes numbers and addresses from it
        const fleet::CommissionMemory memory =
            Checked([&] { return fleet::ReadCommissionLog(station_.logPath); });
        std::vector<Value> profile;
        for (const fleet::SourcedValue& value : request.profile.values)
            profile.push_back(value.value);
        fleet::CommissionLog log(station_.logPath);

        std::unique_ptr<ArpProbePort> arp;
        NoProbes noProbes;
        if (!station_.noProbe && pools.givesAddress())
            arp = std::make_unique<ArpProbePort>();
        fleet::ProbePort& probes = arp ? static_cast<fleet::ProbePort&>(*arp) : noProbes;

        std::vector<SearchRoute> routes;
        std::vector<std::string> ownMacs;
        for (const Adapter& adapter : network.adapters()) {
            routes.push_back(SearchRouteOf(adapter));
            ownMacs.push_back(adapter.macText);
        }
        UdpModulePort& port = network.port();
        fleet::StationOptions options = station_.options;
        options.probe = arp != nullptr;
        options.engine = EngineOptionsOf(request, port.ownAddresses());
        options.unicastRoom = NeighbourRoom();

        std::unique_ptr<DoneHook> hook;
        if (!station_.onDone.empty())
            hook = std::make_unique<DoneHook>(station_.onDone, std::cerr);
        StationOutput output(std::cout, request.format == Format::Json, hook.get());
        fleet::Station station(port, probes, routes, port.ownAddresses(), ownMacs, profile, pools, memory,
                               log, output, options);
        Announce(network.adapters(), memory, log.path());

        WorkLoop& loop = network.loop();
        port.setReceiver([&](const fleet::Arrival& arrival, std::string_view datagram) {
            loop.deliver([&](fleet::Millis now) { station.onDatagram(arrival, datagram, now); });
        });
        if (arp) {
            arp->setReceiver([&](const fleet::ArpHeard& heard) {
                loop.deliver([&](fleet::Millis now) { station.onArp(heard, now); });
            });
        }
        StationWork work(station);
        const bool ended = loop.run(work);
        port.setReceiver({});
        if (arp)
            arp->setReceiver({});
        if (hook)
            hook->finish(kHookWaitAtEndMs);
        output.finish(station, !ended);
        report.interrupted = !ended;
        if (!ended)
            return kExitInterrupted;
        const bool hooksFailed = hook && hook->failures() > 0;
        return station.failedCount() > 0 || !station.stopReason().empty() || hooksFailed ? kExitFailed
                                                                                         : kExitOk;
    }

private:
    static void Announce(const std::vector<Adapter>& adapters, const fleet::CommissionMemory& memory,
                         const std::string& logPath) {
        std::cerr << "lumiq: commissioning on";
        for (const Adapter& adapter : adapters)
            std::cerr << ' ' << adapter.name;
        std::cerr << "; log " << logPath << " (" << memory.rows << (memory.rows == 1 ? " row" : " rows")
                  << ", " << memory.doneMacs.size() << " modules done)";
        if (memory.tornLastLine)
            std::cerr << "; its last line was cut short and is left out";
        std::cerr << "; Ctrl+C ends\n";
    }

    StationRequest station_;
};

} // namespace

std::unique_ptr<Subcommand> MakeCommissionCommand() {
    return std::make_unique<CommissionCommand>();
}

} // namespace lumiq::cli
