#pragma once
// A ModuleController wired to fakes and fake time, with a module that answers
// like a healthy one unless a test scripts its replies.

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "presenter/ModuleController.h"
#include "state/ToolState.h"
#include "tests/presenter/FakeClock.h"
#include "tests/presenter/FakePorts.h"

namespace lumiq::test {

inline constexpr const char* kLocalMac = "00:11:22:33:44:55";
inline constexpr const char* kModuleMac = "00:1a:2b:3c:4d:5e";
// 40 bytes: the envelope of every UDP frame to the module above.
inline constexpr const char* kModuleEnvelope = "<00:1a:2b:3c:4d:5e>,<00:11:22:33:44:55>,";

// The healthy module's payload for a command line ("OK\r\n" for every set).
std::string HealthyReply(const std::string& line);

class ControllerRig {
public:
    ControllerRig();

    // A datagram "<" + mac + ">," + payload from `ip`.
    void receive(std::uint32_t ip, const std::string& mac, const std::string& payload);
    void receiveFromModule(const std::string& payload) { receive(moduleIp, kModuleMac, payload); }
    // The module answers every frame: on UDP `delayMs` later, on the serial
    // link into the port's input at once. Scripted replies go first.
    void answerAutomatically(long delayMs = 10);
    // A search that finds the module, then a click on its line; the read-all
    // chain it starts is left to run or not.
    void findAndSelectModule();
    void useSerialLink() { state.LinkMode = LinkMode::Serial; }
    // Forget what has been sent, logged and shown so far.
    void clearRecords();

    // Commands as the module received them: UDP frames without the envelope,
    // or what was written to the port.
    std::vector<std::string> commands() const;
    std::vector<long> commandTimes() const;

    std::uint32_t moduleIp;
    std::deque<std::string> scripted; // next replies, ahead of the healthy ones
    std::vector<long> replyTimes;     // when the module's replies arrived

    FakeClock clock;
    ToolState state;
    FakePanel panel;
    FakeList list;
    FakeLog log{clock};
    FakeDialogs dialogs;
    FakeTimer timerRead{clock, "TimerRead"};
    FakeTimer timerPortRes{clock, "TimerPortRes"};
    FakeTimer timerOut{clock, "TimerOut"};
    FakePause pause{clock};
    FakeUdp udp{clock};
    FakeSerial serial{clock};
    ModuleController controller;

private:
    std::string nextReply(const std::string& line);
};

} // namespace lumiq::test
