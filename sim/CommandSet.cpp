#include "sim/CommandSet.h"

namespace lumiq::sim {

std::string ExecuteCommand(std::string_view command, ModuleParams& params, const ModuleParams& factory) {
    if (command == "AT")
        return "OK";
    if (command == "AT+DEFAULT") {
        params = factory;
        return "OK\r\n";
    }
    constexpr std::string_view kPrefix = "AT+";
    if (!command.starts_with(kPrefix))
        return std::string(kErrorReply);
    const std::string_view body = command.substr(kPrefix.size());
    const std::size_t equals = body.find('=');
    if (equals == std::string_view::npos)
        return std::string(kErrorReply);
    const std::string_view keyword = body.substr(0, equals);
    const std::string_view argument = body.substr(equals + 1);
    const ParamRule* rule = FindParamRule(keyword);
    if (rule == nullptr)
        return std::string(kErrorReply);
    if (argument == "?") {
        const auto value = params.find(keyword);
        return "+" + std::string(keyword) + "=" + (value == params.end() ? "" : value->second) + "\r\n";
    }
    if (!rule->settable || !rule->accepts(argument))
        return std::string(kErrorReply);
    params.insert_or_assign(std::string(keyword), std::string(argument));
    return "OK\r\n";
}

} // namespace lumiq::sim
