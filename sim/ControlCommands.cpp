#include "sim/ControlCommands.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <sstream>

#include "base/GbkText.h"
#include "sim/ByteEscape.h"

namespace lumiq::sim {

namespace {

using Words = std::vector<std::string>;

Words SplitWords(std::string_view line) {
    std::istringstream stream{std::string(line)};
    Words words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

std::optional<unsigned long> ParseNumber(const std::string& text) {
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    return std::stoul(text);
}

std::optional<bool> ParseOnOff(const std::string& text) {
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    return std::nullopt;
}

// The module named by index or by current MAC text.
SimModule* FindModule(std::vector<SimModule>& modules, const std::string& name, std::string& complaint) {
    if (const auto index = ParseNumber(name)) {
        if (*index < modules.size())
            return &modules[*index];
        complaint = "no module " + name;
        return nullptr;
    }
    SimModule* found = nullptr;
    for (auto& module : modules) {
        if (module.mac() != name)
            continue;
        if (found != nullptr) {
            complaint = "more than one module has MAC " + name + "; name it by index";
            return nullptr;
        }
        found = &module;
    }
    if (found == nullptr)
        complaint = "no module with MAC " + name;
    return found;
}

std::string ListLine(std::size_t index, const SimModule& module) {
    std::string line = std::to_string(index) + " mac=" + EscapeBytes(module.mac());
    const std::string plugged = std::string(" plugged=") + (module.plugged() ? "yes" : "no");
    if (module.onPty())
        return line + " link=pty pty=" + EscapeBytes(module.ptyPath()) + plugged;
    return line + " address=" + module.address() +
           " link=udp reply=" + (module.replyMode() == ReplyMode::Unicast ? "unicast" : "broadcast") +
           plugged;
}

std::string JoinedKeywords(const std::vector<std::string>& keywords) {
    std::string text;
    for (const auto& keyword : keywords)
        text += (text.empty() ? "" : ",") + keyword;
    return text;
}

std::vector<std::string> FaultLines(const Faults& faults) {
    std::string malformed;
    for (const Malformed kind : faults.malformed)
        malformed += (malformed.empty() ? "" : ",") + std::string(MalformedName(kind));
    return {"silent=" + std::string(faults.silent ? "on" : "off"),
            "wrong=" + std::to_string(faults.wrongAnswers),
            "delay_ms=" + std::to_string(faults.delayMs),
            "twice=" + std::string(faults.twice ? "on" : "off"),
            "hidden=" + std::string(faults.hidden ? "on" : "off"),
            "malformed=" + malformed,
            "refuse=" + (faults.refused.empty() ? std::string("off") : faults.refused),
            "forget=" + (faults.forgotten.empty() ? std::string("off") : JoinedKeywords(faults.forgotten))};
}

// The text after the first `count` words and the one blank after them,
// inner and trailing blanks kept: "set 0 NAME a b" gives "a b" for 3.
std::string_view RestOfLine(std::string_view line, std::size_t count) {
    std::size_t at = 0;
    for (std::size_t i = 0; i < count; ++i) {
        at = line.find_first_not_of(" \t", at);
        at = std::min(line.find_first_of(" \t", at), line.size());
    }
    return line.substr(std::min(at + 1, line.size()));
}

std::string SetParam(std::string_view line, const Words& words, SimModule& module) {
    std::string keyword = words[2];
    std::transform(keyword.begin(), keyword.end(), keyword.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    const std::string_view value = RestOfLine(line, 3);
    const ParamRule* rule = FindParamRule(keyword);
    if (rule == nullptr)
        return ControlError("unknown parameter " + keyword);
    const std::string bytes = keyword == "NAME" ? Utf8ToGbk(value) : std::string(value);
    if (!rule->accepts(bytes))
        return ControlError("a module does not accept " + keyword + "=" + EscapeBytes(bytes));
    module.params()[keyword] = bytes;
    return ControlOk();
}

std::string SetFault(const Words& words, Faults& faults) {
    const std::string& kind = words[2];
    const std::string argument = words.size() > 3 ? words[3] : "";
    if (kind == "clear" && words.size() == 3) {
        faults = Faults{};
        return ControlOk();
    }
    if ((kind == "silent" || kind == "twice" || kind == "hidden") && words.size() == 4) {
        const auto on = ParseOnOff(argument);
        if (!on)
            return ControlError(kind + " takes on or off");
        (kind == "silent" ? faults.silent : kind == "twice" ? faults.twice : faults.hidden) = *on;
        return ControlOk();
    }
    if ((kind == "wrong" || kind == "delay") && words.size() == 4) {
        const auto number = ParseNumber(argument);
        if (!number)
            return ControlError(kind + " takes a number");
        (kind == "wrong" ? faults.wrongAnswers : faults.delayMs) = static_cast<unsigned>(*number);
        return ControlOk();
    }
    if (kind == "refuse" && words.size() == 4) {
        std::string keyword = argument;
        std::transform(keyword.begin(), keyword.end(), keyword.begin(),
                       [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
        const ParamRule* rule = FindParamRule(keyword);
        if (keyword != "OFF" && (rule == nullptr || !rule->settable))
            return ControlError("refuse takes a settable parameter or off");
        faults.refused = keyword == "OFF" ? "" : keyword;
        return ControlOk();
    }
    if (kind == "forget" && words.size() == 4) {
        const auto keywords = argument == "off" ? std::vector<std::string>{} : ParseForgotten(argument);
        if (!keywords)
            return ControlError("forget takes parameter keywords joined by commas (IP,NAME) or off");
        faults.forgotten = *keywords;
        return ControlOk();
    }
    if (kind == "malformed" && (words.size() == 4 || words.size() == 5)) {
        const auto form = ParseMalformed(argument);
        const auto count = words.size() == 5 ? ParseNumber(words[4]) : std::optional<unsigned long>(1);
        if (!form || !count || *count > 1000)
            return ControlError("malformed takes short, nogt, binary or oversized and a count up to 1000");
        faults.malformed.insert(faults.malformed.end(), *count, *form);
        return ControlOk();
    }
    return ControlError("unknown fault command");
}

// unplug, plug and power-cycle, on one module or all; nothing when `words`
// is no such command.
std::optional<std::string> SwitchPower(const Words& words, std::vector<SimModule>& modules) {
    const std::string& command = words[0];
    const bool cycle = command == "power-cycle";
    if (command != "unplug" && command != "plug" && !cycle)
        return std::nullopt;
    if (words.size() < 2 || words.size() > (cycle ? 3u : 2u))
        return ControlError(
            command + (cycle ? " takes a module or all, and an off time in ms" : " takes a module or all"));
    std::optional<unsigned long> offMs = kPowerCycleOffMs;
    if (words.size() == 3)
        offMs = ParseNumber(words[2]);
    if (!offMs)
        return ControlError("power-cycle takes an off time in ms");
    std::vector<SimModule*> chosen;
    if (words[1] == "all") {
        for (auto& module : modules)
            chosen.push_back(&module);
    } else {
        std::string complaint;
        SimModule* module = FindModule(modules, words[1], complaint);
        if (module == nullptr)
            return ControlError(complaint);
        chosen.push_back(module);
    }
    const auto backAt = SimModule::Clock::now() + std::chrono::milliseconds(*offMs);
    for (SimModule* module : chosen) {
        if (cycle)
            module->powerCycle(backAt);
        else if (command == "plug")
            module->powerUp();
        else
            module->unplug();
    }
    return ControlOk();
}

} // namespace

std::string ControlOk(const std::vector<std::string>& lines) {
    std::string reply = "OK " + std::to_string(lines.size()) + "\n";
    for (const auto& line : lines)
        reply += line + "\n";
    return reply;
}

std::string ControlError(std::string_view reason) {
    return "ERROR " + std::string(reason) + "\n";
}

ControlOutcome RunControlCommand(std::string_view line, std::vector<SimModule>& modules, FrameLog& log) {
    const Words words = SplitWords(line);
    if (words.empty())
        return {ControlError("empty command")};
    const std::string& command = words[0];
    if (command == "ping" && words.size() == 1)
        return {ControlOk()};
    if (command == "quit" && words.size() == 1)
        return {ControlOk(), std::nullopt, true};
    if (command == "list" && words.size() == 1) {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < modules.size(); ++i)
            lines.push_back(ListLine(i, modules[i]));
        return {ControlOk(lines)};
    }
    if (command == "log" && words.size() == 1)
        return {ControlOk(std::vector<std::string>(log.lines().begin(), log.lines().end()))};
    if (command == "log-clear" && words.size() == 1) {
        log.clear();
        for (auto& module : modules)
            module.forgetHeard();
        return {ControlOk()};
    }
    if (command == "heard" && words.size() == 1) {
        std::vector<std::string> lines;
        for (std::size_t i = 0; i < modules.size(); ++i) {
            const SimModule::HeardFrames& heard = modules[i].heard();
            lines.push_back(std::to_string(i) + " own=" + std::to_string(heard.own) + " search=" +
                            std::to_string(heard.search) + " other=" + std::to_string(heard.other));
        }
        return {ControlOk(lines)};
    }
    if (command == "wait-frames" && words.size() == 3) {
        const auto frames = ParseNumber(words[1]);
        const auto timeout = ParseNumber(words[2]);
        if (!frames || !timeout)
            return {ControlError("wait-frames takes a count and a time-out in ms")};
        return {{}, FrameWait{*frames, std::chrono::milliseconds(*timeout)}};
    }
    if (command == "reset" && words.size() == 2 && words[1] == "all") {
        for (auto& module : modules)
            module.reset();
        return {ControlOk()};
    }
    if (auto switched = SwitchPower(words, modules))
        return {*std::move(switched)};
    const bool known = command == "get" || command == "set" || command == "reply" || command == "fault" ||
                       command == "reset";
    if (!known)
        return {ControlError("unknown command " + command)};
    if (words.size() < 2)
        return {ControlError(command + " needs a module")};
    std::string complaint;
    SimModule* module = FindModule(modules, words[1], complaint);
    if (module == nullptr)
        return {ControlError(complaint)};

    if (command == "get" && words.size() == 2) {
        std::vector<std::string> lines;
        for (const ParamRule& rule : ParamRules()) {
            const auto value = module->params().find(rule.keyword);
            lines.push_back(std::string(rule.keyword) + "=" +
                            EscapeBytes(value == module->params().end() ? "" : value->second));
        }
        return {ControlOk(lines)};
    }
    if (command == "set" && words.size() >= 3)
        return {SetParam(line, words, *module)};
    if (command == "reply" && words.size() == 3 && (words[2] == "unicast" || words[2] == "broadcast")) {
        module->setReplyMode(words[2] == "unicast" ? ReplyMode::Unicast : ReplyMode::Broadcast);
        return {ControlOk()};
    }
    if (command == "fault" && words.size() >= 3)
        return {SetFault(words, module->faults())};
    if (command == "fault" && words.size() == 2)
        return {ControlOk(FaultLines(module->faults()))};
    if (command == "reset" && words.size() == 2) {
        module->reset();
        return {ControlOk()};
    }
    return {ControlError("wrong arguments for " + command)};
}

} // namespace lumiq::sim
