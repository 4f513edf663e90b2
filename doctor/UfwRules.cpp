#include "doctor/UfwRules.h"

#include <sstream>
#include <vector>

#include "device/Frames.h"

namespace lumiq::doctor {
namespace {

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// "5000/udp", "4000:6000/udp", "22,5000", "5000" (both protocols).
Match PortsMatch(const std::string& ports) {
    const std::size_t slash = ports.find('/');
    if (slash != std::string::npos && ports.substr(slash + 1) != "udp")
        return Match::No;
    return PortListHolds(ports.substr(0, slash), kModulePort) ? Match::Yes : Match::No;
}

// The "To" column: an address, a port list, "on ADAPTER", "Anywhere", or an
// application profile (another program's named ports).
Match ToMatch(const std::vector<std::string>& words) {
    Match match = Match::Yes;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "Anywhere")
            continue;
        if (word == "on" && i + 1 < words.size()) {
            match = AllOf(match, words[++i] == "lo" ? Match::No : Match::Maybe);
        } else if (word.find('.') != std::string::npos) {
            match = AllOf(match, Match::Maybe);
        } else if (!word.empty() && word[0] >= '0' && word[0] <= '9') {
            match = AllOf(match, PortsMatch(word));
        } else {
            match = Match::No;
        }
    }
    return match;
}

} // namespace

UfwStatus ReadUfwStatus(const std::string& listing) {
    UfwStatus status;
    FilterChain& chain = status.rules.chains["ufw"];
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("Status:", 0) == 0)
            status.active = line.find("inactive") == std::string::npos;
        if (line.rfind("Default:", 0) == 0) {
            const std::size_t incoming = line.find("(incoming)");
            const std::string before = line.substr(0, incoming);
            chain.dropPolicy = incoming != std::string::npos && (before.find("deny") != std::string::npos ||
                                                                 before.find("reject") != std::string::npos);
            chain.policyText = "ufw default incoming " + std::string(chain.dropPolicy ? "deny" : "allow");
            continue;
        }
        if (line.find("(v6)") != std::string::npos)
            continue;
        const std::vector<std::string> words = Words(line);
        std::size_t action = 0;
        while (action < words.size() && words[action] != "ALLOW" && words[action] != "DENY" &&
               words[action] != "REJECT" && words[action] != "LIMIT")
            ++action;
        if (action == 0 || action >= words.size())
            continue;
        std::size_t from = action + 1;
        if (from < words.size() && (words[from] == "OUT" || words[from] == "FWD"))
            continue;
        if (from < words.size() && words[from] == "IN")
            ++from;
        FilterRule rule;
        rule.text = "ufw: " + line;
        rule.match = ToMatch({words.begin(), words.begin() + static_cast<long>(action)});
        const bool anywhere = from + 1 == words.size() && words[from] == "Anywhere";
        if (!anywhere)
            rule.match = AllOf(rule.match, Match::Maybe);
        // LIMIT refuses a source that sends too often.
        if (words[action] == "LIMIT")
            rule.match = AllOf(rule.match, Match::Maybe);
        rule.action = words[action] == "ALLOW" || words[action] == "LIMIT" ? FilterRule::Action::Accept
                                                                           : FilterRule::Action::Drop;
        chain.rules.push_back(std::move(rule));
    }
    status.rules.inputChains.push_back("ufw");
    return status;
}

} // namespace lumiq::doctor
