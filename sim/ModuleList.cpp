#include "sim/ModuleList.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <map>

#include "base/GbkText.h"

namespace lumiq::sim {

namespace {

std::string AddressText(std::uint32_t hostOrder) {
    in_addr address{htonl(hostOrder)};
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

// Module addresses that end in .0 or .255 look like network or broadcast
// addresses to people reading a list, so generated ones skip them.
std::uint32_t NthUsableAddress(std::uint32_t first, unsigned n) {
    std::uint32_t address = first;
    const auto usable = [](std::uint32_t a) { return (a & 0xff) != 0 && (a & 0xff) != 0xff; };
    while (!usable(address))
        ++address;
    for (unsigned i = 0; i < n; ++i) {
        ++address;
        while (!usable(address))
            ++address;
    }
    return address;
}

// The first host of the module's /16, where the test bed puts the tool.
std::string Gateway(const std::string& address) {
    const std::size_t secondDot = address.find('.', address.find('.') + 1);
    return address.substr(0, secondDot) + ".0.1";
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool ParseFlag(const std::string& value, bool& flag) {
    static const std::map<std::string, bool> kWords{{"yes", true},    {"on", true},  {"true", true},
                                                    {"1", true},      {"no", false}, {"off", false},
                                                    {"false", false}, {"0", false}};
    const auto it = kWords.find(value);
    if (it == kWords.end())
        return false;
    flag = it->second;
    return true;
}

bool ParseCount(const std::string& value, unsigned& count) {
    if (value.empty() || value.size() > 7 ||
        !std::all_of(value.begin(), value.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    count = static_cast<unsigned>(std::stoul(value));
    return true;
}

// A MAC text from a file may be odd on purpose, but it must not break the
// envelope or the log's fields.
bool IsUsableMacText(const std::string& mac) {
    return !mac.empty() && std::all_of(mac.begin(), mac.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte > 0x20 && byte != 0x7f && c != '<' && c != '>' && c != ',';
    });
}

// The file's lower-case keys for the module's parameters.
const std::map<std::string, std::string> kParamKeys{
    {"model", "MODEL"}, {"gateway", "GATEWAY"}, {"mask", "MASK"}, {"dip", "DIP"},     {"port", "PORT"},
    {"dport", "DPORT"}, {"dchp", "DCHP"},       {"uart", "UART"}, {"version", "VER"}, {"name", "NAME"},
};

// Applies one "key = value" line; returns the complaint, empty when fine.
std::string ApplyKey(ModuleSetup& module, const std::string& key, const std::string& value) {
    if (const auto param = kParamKeys.find(key); param != kParamKeys.end()) {
        const std::string bytes = key == "name" ? Utf8ToGbk(value) : value;
        if (!FindParamRule(param->second)->accepts(bytes))
            return "value not accepted by a module: " + value;
        module.factory[param->second] = bytes;
    } else if (key == "mac") {
        if (!IsUsableMacText(value))
            return "unusable MAC text: " + value;
        module.factory["MAC"] = value;
    } else if (key == "ip") {
        if (!IsDottedQuad(value))
            return "not an IPv4 address: " + value;
        module.address = value;
        module.factory["IP"] = value;
    } else if (key == "reply") {
        if (value != "unicast" && value != "broadcast")
            return "reply must be unicast or broadcast";
        module.reply = value == "unicast" ? ReplyMode::Unicast : ReplyMode::Broadcast;
    } else if (key == "pty") {
        if (value.empty())
            return "pty needs a path";
        module.ptyPath = value;
    } else if (key == "plugged") {
        if (!ParseFlag(value, module.plugged))
            return "plugged must be yes or no";
    } else if (key == "forget") {
        const auto keywords = ParseForgotten(value);
        if (!keywords)
            return "forget takes parameter keywords joined by commas (IP,NAME)";
        module.faults.forgotten = *keywords;
    } else if (key == "silent" || key == "twice" || key == "hidden") {
        if (!ParseFlag(value, key == "silent"  ? module.faults.silent
                              : key == "twice" ? module.faults.twice
                                               : module.faults.hidden))
            return key + " must be yes or no";
    } else if (key == "wrong" || key == "delay_ms") {
        if (!ParseCount(value, key == "wrong" ? module.faults.wrongAnswers : module.faults.delayMs))
            return key + " must be a number";
    } else if (key == "malformed") {
        std::size_t start = 0;
        while (start <= value.size()) {
            const std::size_t comma = std::min(value.find(',', start), value.size());
            const auto kind = ParseMalformed(Trim(value.substr(start, comma - start)));
            if (!kind)
                return "malformed takes short, nogt, binary, oversized";
            module.faults.malformed.push_back(*kind);
            start = comma + 1;
        }
    } else {
        return "unknown key: " + key;
    }
    return {};
}

} // namespace

std::uint32_t ParseAddress(const std::string& dotted) {
    in_addr address{};
    if (!IsDottedQuad(dotted) || inet_pton(AF_INET, dotted.c_str(), &address) != 1)
        throw ConfigError("not an IPv4 address: " + dotted);
    return ntohl(address.s_addr);
}

ModuleSetup GeneratedModule(unsigned index, std::uint32_t firstAddress) {
    const std::string address = AddressText(NthUsableAddress(firstAddress, index));
    const unsigned number = index + 1;
    char mac[18];
    std::snprintf(mac, sizeof mac, "02:4c:51:00:%02x:%02x", (number >> 8) & 0xff, number & 0xff);
    char name[16];
    std::snprintf(name, sizeof name, "LUMIQ-%03u", number % 1000);
    ModuleSetup module;
    module.address = address;
    module.factory = {
        {"MODEL", std::to_string(index % 4)},
        {"GATEWAY", Gateway(address)},
        {"MASK", "255.255.0.0"},
        {"IP", address},
        {"DIP", "192.168.1.100"},
        {"PORT", std::to_string(8000 + index % 50000)},
        {"DPORT", std::to_string(9000 + index % 50000)},
        {"DCHP", "0"},
        {"NAME", name},
        {"UART", "9600,8,1,0"},
        {"MAC", mac},
        {"VER", "V2.0"},
    };
    return module;
}

std::vector<ModuleSetup> LoadModuleFile(const std::string& path, unsigned firstIndex,
                                        std::uint32_t firstAddress) {
    std::ifstream file(path);
    if (!file)
        throw ConfigError(path + ": cannot read the module file");
    std::vector<ModuleSetup> modules;
    std::string line;
    for (int number = 1; std::getline(file, line); ++number) {
        const std::string where = path + ":" + std::to_string(number) + ": ";
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';')
            continue;
        if (line == "[module]") {
            modules.push_back(
                GeneratedModule(firstIndex + static_cast<unsigned>(modules.size()), firstAddress));
            continue;
        }
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos)
            throw ConfigError(where + "expected [module] or key = value");
        if (modules.empty())
            throw ConfigError(where + "key outside a [module] section");
        const std::string complaint =
            ApplyKey(modules.back(), Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
        if (!complaint.empty())
            throw ConfigError(where + complaint);
    }
    if (modules.empty())
        throw ConfigError(path + ": no [module] section");
    return modules;
}

} // namespace lumiq::sim
