// The simulator's control socket: one command a line, from a test, a
// technician or a stray program that found the socket.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "sim/ControlCommands.h"
#include "sim/FrameLog.h"
#include "sim/ModuleList.h"

namespace {

using namespace lumiq::sim;
using lumiq::fuzz::Require;

// "OK <n>" and n lines, or one "ERROR <reason>" line.
bool WellFormed(const std::string& reply) {
    if (reply.starts_with("ERROR "))
        return reply.find('\n') == reply.size() - 1;
    if (!reply.starts_with("OK ") || reply.empty() || reply.back() != '\n')
        return false;
    std::size_t lines = 0;
    for (const char c : reply)
        lines += c == '\n' ? 1 : 0;
    return reply.substr(3, reply.find('\n') - 3) == std::to_string(lines - 1);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::uint32_t first = ParseAddress("10.77.1.1");
    std::vector<SimModule> modules{SimModule(GeneratedModule(0, first)),
                                   SimModule(GeneratedModule(1, first))};
    FrameLog log("");
    log.received("udp", "10.77.0.1:5000", "0@02:4c:51:00:00:01", "<00:00:00:00:00:00>,<x>,AT\r\n");

    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const ControlOutcome outcome = RunControlCommand(rest.substr(0, end), modules, log);
        if (!outcome.wait)
            Require(WellFormed(outcome.reply), "a control reply has its documented form");
        rest.remove_prefix(std::min(end + 1, rest.size()));
    }
    return 0;
}
