// The presenter's receive path: one reply, as a datagram reaches the
// socket's receive handler or as the serial port holds it, under every code
// that awaits a reply, followed by whatever the engine's timers do with it
// (next query, resend, time-out, the write-all chain, the serial re-setup).
//
// Input: byte 0 sets the scene (bits below), byte 1 picks the awaited code,
// the rest is the reply.
//   bit 0     serial link (else UDP)
//   bit 1     a write-all chain is running
//   bit 2     a single query (not the read-all chain)
//   bit 3     UDP: no module found and selected beforehand
//   bits 4-5  UDP sender: 0-1 the module, 2 this computer (its own broadcast
//             coming back), 3 a host nobody searched for
//   bits 6-7  the reply arrives 1 to 4 times (wrong replies are resent)

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "presenter/CommandBindings.h"
#include "state/AddressText.h"
#include "state/Errors.h"
#include "tests/presenter/ControllerRig.h"

namespace {

using namespace lumiq;
using lumiq::fuzz::Require;

// The open search, then every code the command table awaits a reply under.
std::vector<std::uint16_t> AwaitingCodes() {
    std::vector<std::uint16_t> codes{kSearchOpen};
    for (std::uint16_t code = 1; code < 256; ++code) {
        if (QueryByAwaitCode(code) != nullptr || SetByAwaitCode(code) != nullptr)
            codes.push_back(code);
    }
    return codes;
}

// A reply's resend goes out on the next sender tick (150 ms).
constexpr long kBetweenRepliesMs = 200;
// Past the longest wait a reply can start: the destination-IP watch (4 s).
constexpr long kSettleMs = 5000;

// The window's handlers end on an empty field's RangeCheckError and show it;
// any other exception out of the core is a fault.
template <typename Handler> void AsTheWindowDoes(Handler&& handler) {
    try {
        handler();
    } catch (const RangeCheckError&) {
    }
}

void GuardTimers(test::ControllerRig& rig) {
    ModuleController& controller = rig.controller;
    rig.timerRead.onTick = [&controller] { AsTheWindowDoes([&] { controller.onTimerRead(); }); };
    rig.timerPortRes.onTick = [&controller] { AsTheWindowDoes([&] { controller.onTimerPortRes(); }); };
    rig.timerOut.onTick = [&controller] { AsTheWindowDoes([&] { controller.onTimerOut(); }); };
}

std::uint32_t Sender(const test::ControllerRig& rig, unsigned scene) {
    switch ((scene >> 4) & 3u) {
    case 2:
        return rig.state.LocalIp;
    case 3:
        return ParseIp("192.168.0.99");
    default:
        return rig.moduleIp;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::uint16_t> kCodes = AwaitingCodes();
    if (size < 2)
        return 0;
    const unsigned scene = data[0];
    const std::uint16_t code = kCodes[data[1] % kCodes.size()];
    const std::string reply(reinterpret_cast<const char*>(data) + 2, size - 2);
    const unsigned arrivals = 1 + (scene >> 6);

    test::ControllerRig rig;
    GuardTimers(rig);
    const bool serial = (scene & 1u) != 0;
    if (serial) {
        rig.useSerialLink();
    } else if ((scene & 8u) == 0) {
        rig.findAndSelectModule();
    }
    rig.state.PendingCommand = code;
    rig.state.OneKeyWrite = (scene & 2u) != 0 ? 1 : 0;
    rig.state.SingleQuery = (scene & 4u) != 0 ? 1 : 0;

    for (unsigned i = 0; i < arrivals; ++i) {
        if (serial) {
            rig.serial.input += reply;
            AsTheWindowDoes([&] { rig.controller.onTimerPortRes(); });
        } else {
            AsTheWindowDoes(
                [&] { rig.controller.onDatagram(Sender(rig, scene), 5000, reply.data(), reply.size()); });
        }
        rig.clock.advance(kBetweenRepliesMs);
    }
    rig.clock.advance(kSettleMs);

    const ToolState& state = rig.state;
    Require(state.ModuleCount >= 0 && state.ModuleCount <= kRegistrySize,
            "the registry stays within its size");
    Require(rig.list.lines.size() == static_cast<std::size_t>(state.ModuleCount),
            "the module list shows every registry entry once");
    Require(rig.controller.retryCount() <= 3, "a query is resent at most three times");
    return 0;
}
