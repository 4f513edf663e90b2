// The AT commands a simulated module takes, one after another on the same
// module, as the tool (or anything else on the LAN) may send them. Each
// "\r\n"-ended line of the input is one command, the rest one more.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "sim/CommandSet.h"
#include "sim/ModuleList.h"
#include "sim/UdpEnvelope.h"

namespace {

using namespace lumiq::sim;
using lumiq::fuzz::Require;

void RunOne(std::string_view command, ModuleParams& params, const ModuleParams& factory) {
    const ModuleParams before = params;
    const std::string reply = ExecuteCommand(command, params, factory);
    if (reply == kErrorReply) {
        Require(params == before, "a refused command changes nothing");
        return;
    }
    const std::size_t equals = command.find('=');
    if (reply != "OK\r\n" || command == "AT+DEFAULT" || equals == std::string_view::npos)
        return;
    // An accepted value is what the module reports from now on.
    const std::string_view keyword = command.substr(3, equals - 3);
    const std::string query = "AT+" + std::string(keyword) + "=?";
    ModuleParams unchanged = params;
    Require(ExecuteCommand(query, unchanged, factory) ==
                "+" + std::string(keyword) + "=" + std::string(command.substr(equals + 1)) + "\r\n",
            "an accepted value is reported back");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const ModuleParams kFactory = GeneratedModule(0, ParseAddress("10.77.1.1")).factory;
    ModuleParams params = kFactory;
    std::string_view rest(reinterpret_cast<const char*>(data), size);
    while (const std::optional<std::string_view> line = CommandLine(rest)) {
        RunOne(*line, params, kFactory);
        rest.remove_prefix(line->size() + 2);
    }
    RunOne(rest, params, kFactory);
    return 0;
}
