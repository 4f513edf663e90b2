#include "doctor/FirewallCheck.h"

#include <optional>
#include <sstream>
#include <stdexcept>

#include "device/Frames.h"
#include "doctor/IptablesRules.h"
#include "doctor/NftRules.h"
#include "doctor/ProgramOutput.h"
#include "doctor/UfwRules.h"

namespace lumiq::doctor {
namespace {

// The port modules answer from and to, as messages and commands write it.
std::string ModulePort() {
    return std::to_string(kModulePort);
}

// A program's first line, cut where it could not be a message any more.
std::string FirstLine(const std::string& text) {
    constexpr std::size_t kLongest = 300;
    const std::string line = text.substr(0, text.find('\n'));
    return line.size() > kLongest ? line.substr(0, kLongest) + "..." : line;
}

std::string Seconds(int ms) {
    std::string text = std::to_string(ms / 1000);
    if (ms % 1000 != 0)
        text += "." + std::to_string(ms % 1000 / 100);
    return text + " s";
}

std::string Bytes(std::size_t bytes) {
    constexpr std::size_t kMiB = 1024 * 1024;
    return bytes >= kMiB ? std::to_string(bytes / kMiB) + " MiB" : std::to_string(bytes) + " bytes";
}

// The tool's output, or the finding that says why there is none.
struct Asked {
    ProgramOutput output;
    std::optional<Finding> unchecked;
};

Asked Ask(const std::string& check, const std::string& program, const std::vector<std::string>& arguments) {
    const ProgramLimits limits;
    Asked asked{RunProgramForOutput(program, arguments, limits), std::nullopt};
    asked.unchecked = UncheckedFinding(check, program, asked.output, limits);
    return asked;
}

using Reader = FilterRules (*)(const std::string& listing);
using Remedy = std::string (*)(const std::string& chain);

Finding Judged(const std::string& check, const std::string& program,
               const std::vector<std::string>& arguments, Reader read, Remedy remedy) {
    Asked asked = Ask(check, program, arguments);
    if (asked.unchecked)
        return *asked.unchecked;
    try {
        const FilterRules rules = read(asked.output.out);
        if (rules.inputChains.empty())
            return Finding{check, Verdict::Ok, "no chain on the input hook: nothing is filtered"};
        const FilterVerdict verdict = JudgeModuleDatagram(rules);
        return FirewallFinding(check, verdict, remedy(verdict.chain));
    } catch (const std::exception& error) {
        return Finding{check, Verdict::Warning, std::string("not checked: ") + error.what()};
    }
}

// An inactive ufw filters nothing.
FilterRules ReadUfwRules(const std::string& listing) {
    UfwStatus status = ReadUfwStatus(listing);
    return status.active ? std::move(status.rules) : FilterRules{};
}

Finding CheckFirewalld() {
    const char* check = "firewalld";
    Asked state = Ask(check, "firewall-cmd", {"--state"});
    if (!state.output.found)
        return *state.unchecked;
    // --state exits with 252 while firewalld is not running.
    if (state.output.out.find("not running") != std::string::npos || state.output.exitStatus == 252)
        return Finding{check, Verdict::Ok, "firewalld is not running"};
    if (state.unchecked)
        return *state.unchecked;
    Asked ports = Ask(check, "firewall-cmd", {"--list-ports"});
    if (ports.unchecked)
        return *ports.unchecked;
    if (FirewalldPortsAdmit(ports.output.out))
        return Finding{check, Verdict::Ok, "the default zone opens UDP port " + ModulePort()};
    return Finding{
        check,
        Verdict::Problem,
        "the default zone does not open UDP port " + ModulePort() + " (ports: " +
            (FirstLine(ports.output.out).empty() ? std::string("none") : FirstLine(ports.output.out)) + ")",
        {},
        "sudo firewall-cmd --permanent --add-port=" + ModulePort() + "/udp && sudo firewall-cmd --reload"};
}

} // namespace

std::optional<Finding> UncheckedFinding(const std::string& check, const std::string& program,
                                        const ProgramOutput& output, const ProgramLimits& limits) {
    const auto warning = [&](const std::string& why) {
        return Finding{check, Verdict::Warning, "not checked: " + program + " " + why};
    };
    if (!output.found)
        return Finding{check, Verdict::Ok, "not checked: " + program + " is not installed"};
    if (output.timedOut)
        return warning("did not answer in " + Seconds(limits.ms));
    if (output.tooLong)
        return warning("printed more than " + Bytes(limits.bytes));
    if (output.exitStatus == 0)
        return std::nullopt;
    const std::string text = output.err + output.out;
    if (text.find("ermission denied") != std::string::npos ||
        text.find("ot permitted") != std::string::npos || text.find("be root") != std::string::npos)
        return Finding{
            check, Verdict::Warning, "not checked: " + program + " needs root", {}, "sudo lumiq doctor"};
    if (!FirstLine(text).empty())
        return warning("failed: " + FirstLine(text));
    if (output.exitStatus > 0)
        return warning("failed with exit status " + std::to_string(output.exitStatus));
    return warning("was ended by signal " + std::to_string(output.signal));
}

Finding FirewallFinding(const std::string& check, const FilterVerdict& verdict, const std::string& remedy) {
    switch (verdict.outcome) {
    case FilterVerdict::Outcome::Accepted:
        return Finding{
            check, Verdict::Ok, "UDP to port " + ModulePort() + " is let in", {"by " + verdict.decision}};
    case FilterVerdict::Outcome::Dropped:
        return Finding{check,
                       Verdict::Problem,
                       "UDP to port " + ModulePort() + " is dropped: modules' replies never arrive",
                       {"by " + verdict.decision},
                       remedy};
    case FilterVerdict::Outcome::Uncertain:
        break;
    }
    // What follows such a jump is not known: the kernel would not load a loop.
    if (!verdict.loop.empty())
        return Finding{check,
                       Verdict::Warning,
                       "UDP to port " + ModulePort() +
                           " cannot be judged past a jump that loops or goes too deep",
                       {verdict.loop, "else " + verdict.decision},
                       remedy};
    return Finding{check,
                   Verdict::Warning,
                   "UDP to port " + ModulePort() + " gets in only under a condition",
                   {"only through " + verdict.doubt, "else " + verdict.decision},
                   remedy};
}

bool FirewalldPortsAdmit(const std::string& ports) {
    std::istringstream words(ports);
    for (std::string word; words >> word;) {
        const std::size_t slash = word.find('/');
        if (slash != std::string::npos && word.substr(slash + 1) == "udp" &&
            PortListHolds(word.substr(0, slash), kModulePort, '-'))
            return true;
    }
    return false;
}

std::vector<Finding> CheckFirewalls() {
    return {
        // Inserted first in the chain that decides, ahead of any drop.
        Judged("nftables", "nft", {"-j", "list", "ruleset"}, ReadNftRuleset,
               [](const std::string& chain) {
                   return "sudo nft insert rule " + chain + " udp dport " + ModulePort() + " accept";
               }),
        Judged("iptables", "iptables", {"-S"}, ReadIptablesRules,
               [](const std::string&) {
                   return "sudo iptables -I INPUT -p udp --dport " + ModulePort() + " -j ACCEPT";
               }),
        Judged("ufw", "ufw", {"status", "verbose"}, ReadUfwRules,
               [](const std::string&) { return "sudo ufw allow " + ModulePort() + "/udp"; }),
        CheckFirewalld(),
    };
}

} // namespace lumiq::doctor
