// The multi-module engine and the search on any datagrams: a reply may be
// short, binary, oversized, name no module or a module of another run, or
// come back as our own broadcast.
//
// Input (FuzzedDataProvider): one byte choosing UDP or serial, then rounds of
// (sender choice, milliseconds to wait, datagram) until the input ends.

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "fleet/FleetEngine.h"
#include "fleet/ModuleSearch.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace lumiq;
using namespace lumiq::fleet;
using lumiq::fuzz::Require;

constexpr std::uint32_t kOwn = 0x0100000a;    // 10.0.0.1
constexpr std::uint32_t kModule = 0x0200000a; // 10.0.0.2

class NullPort : public DatagramPort {
public:
    void send(const Route&, std::uint32_t, const std::string&) override {}
};

class FuzzedSerial : public lumiq::SerialLink {
public:
    explicit FuzzedSerial(FuzzedDataProvider& input) : input_(input) {}
    int writeStr(const std::string& bytes) override { return static_cast<int>(bytes.size()); }
    std::string readStr(int maxCount) override {
        return input_.ConsumeRandomLengthString(static_cast<std::size_t>(maxCount));
    }
    bool connected() const override { return true; }
    void open() override {}
    void close() override {}
    std::string portName() const override { return "fuzz"; }
    int baudRateOrdinal() const override { return 7; }
    void showSetupDialog() override {}

private:
    FuzzedDataProvider& input_;
};

void CheckEnded(const FleetEngine& engine) {
    for (const auto& session : engine.sessions()) {
        Require(session->finished(), "every session ends");
        for (const StepRecord& record : session->records())
            Require(record.sends <= 4, "at most three resends");
        for (const auto& [param, value] : session->values())
            Require(lumiq::fuzz::IsValidUtf8(value), "values are UTF-8");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const bool serial = input.ConsumeBool();
    EngineOptions options;
    options.parallel = 2;
    options.ownAddresses = {kOwn};
    NullPort port;
    FuzzedSerial link(input);
    std::unique_ptr<FleetEngine> engine =
        serial ? std::make_unique<FleetEngine>(link, options) : std::make_unique<FleetEngine>(port, options);
    const Route route{3, kOwn, "02:00:00:00:00:01", "eth0"};
    engine->add("02:4c:51:00:00:01", route, ReadAllPlan());
    if (!serial) {
        engine->add("02:4C:51:00:00:02", route,
                    std::make_unique<SetPlan>(std::vector<Value>{CheckAssignment("mac=02:aa:00:00:00:02"),
                                                                 CheckAssignment("parity=Odd")}));
        // Seen by the search at kModule, with one answer to it still to come.
        engine->add("02:4c:51:00:00:03", route, DefaultPlan(), Sighting{kModule, 1, 500});
    }
    ModuleSearch search(port, {SearchAdapter{route, 0xff00000a}}, SearchOptions{100, 0, 2}, {kOwn});
    Millis now = 0;
    engine->start(now);
    search.start(now);
    while (input.remaining_bytes() > 0) {
        const std::uint8_t choice = input.ConsumeIntegral<std::uint8_t>();
        now += input.ConsumeIntegralInRange<int>(0, 1500);
        const std::string datagram = input.ConsumeRandomLengthString(1024);
        const std::uint32_t sender = (choice & 1) != 0 ? kOwn : kModule;
        const unsigned ifindex = (choice & 2) != 0 ? 3u : 4u;
        engine->onDatagram(Arrival{(choice & 16) != 0 ? sender + 1 : sender, 5000, ifindex, false}, datagram,
                           now);
        if ((choice & 0xe0) == 0xe0)
            engine->stop(now);
        search.onDatagram(Arrival{sender, 5000, ifindex, (choice & 4) != 0}, datagram, now);
        engine->advance(now);
        search.advance(now);
    }
    // With no more replies every exchange runs out of time and resends.
    for (int i = 0; i < 10000 && !engine->finished(); ++i) {
        now = engine->nextWake().value_or(now + 1);
        engine->advance(now);
    }
    CheckEnded(*engine);
    for (const FoundModule& module : search.found())
        Require(!module.mac.empty(), "a found module has a MAC");
    return 0;
}
