// The doctor's judgements that a namespace cannot stage: rulesets of
// iptables, ufw and firewalld as their tools list them, nftables forms the
// end-to-end test does not build, and a normal user's receive buffer.

#include <gtest/gtest.h>

#include "cli/FirewallCheck.h"
#include "cli/IptablesRules.h"
#include "cli/NftRules.h"
#include "cli/SocketCheck.h"
#include "cli/UfwRules.h"

namespace lumiq::cli {
namespace {

using Outcome = FilterVerdict::Outcome;

Outcome Of(const FilterRules& rules) {
    return JudgeModuleDatagram(rules).outcome;
}
Outcome Of(const UfwStatus& status) {
    return Of(status.rules);
}

TEST(DoctorRules, IptablesListingsAreJudgedThroughTheirJumps) {
    const struct {
        const char* listing;
        Outcome outcome;
    } cases[] = {
        {"-P INPUT DROP\n-A INPUT -m conntrack --ctstate RELATED,ESTABLISHED -j ACCEPT\n-A INPUT -i lo -j "
         "ACCEPT\n",
         Outcome::Dropped},
        {"-P INPUT DROP\n-N user-in\n-A INPUT -j user-in\n-A user-in -p udp -m multiport --dports "
         "22,4000:5001 -j ACCEPT\n",
         Outcome::Accepted},
        {"-P INPUT ACCEPT\n-A INPUT -p udp -m udp --dport 5000 -j REJECT --reject-with "
         "icmp-port-unreachable\n",
         Outcome::Dropped},
        {"-P INPUT ACCEPT\n-A INPUT -p tcp -m tcp --dport 5000 -j DROP\n-A INPUT -m comment --comment \"a "
         "b\" -j ACCEPT\n",
         Outcome::Accepted},
        {"-P INPUT DROP\n-A INPUT -s 192.168.1.0/24 -p udp -j ACCEPT\n", Outcome::Uncertain},
        {"-P INPUT DROP\n-A INPUT ! -i lo -p udp --sport 5000 -j ACCEPT\n", Outcome::Accepted},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Of(ReadIptablesRules(c.listing)), c.outcome) << c.listing;
}

TEST(DoctorRules, UfwFirewalldAndNftablesForms) {
    const char* header =
        "Status: active\nDefault: deny (incoming), allow (outgoing), disabled (routed)\n\n"
        "To                         Action      From\n--                         ------      ----\n";
    EXPECT_EQ(Of(ReadUfwStatus(std::string(header) + "22/tcp                     ALLOW IN    Anywhere\n")),
              Outcome::Dropped);
    EXPECT_EQ(Of(ReadUfwStatus(std::string(header) + "4000:6000/udp              ALLOW IN    Anywhere\n")),
              Outcome::Accepted);
    EXPECT_EQ(Of(ReadUfwStatus(std::string(header) + "5000                       ALLOW IN    10.0.0.0/8\n")),
              Outcome::Uncertain);
    EXPECT_FALSE(ReadUfwStatus("Status: inactive\n").active);
    EXPECT_TRUE(FirewalldPortsAdmit("22/tcp 4990-5010/udp"));
    EXPECT_FALSE(FirewalldPortsAdmit("5000/tcp 6000/udp"));

    // A named set, a jump into a chain that drops, and a drop in a second input chain.
    const std::string table = R"({"table": {"family": "inet", "name": "f"}},)";
    const std::string input =
        R"({"chain": {"family": "inet", "table": "f", "name": "in", "hook": "input", "prio": 0, "policy": "drop"}},)";
    const auto rule = [](const char* chain, const char* expr) {
        return std::string(R"({"rule": {"family": "inet", "table": "f", "chain": ")") + chain +
               R"(", "handle": 1, "expr": [)" + expr + "]}}";
    };
    const std::string udpTo =
        R"({"match": {"op": "==", "left": {"payload": {"protocol": "udp", "field": "dport"}}, "right": )";
    const std::string namedSet =
        R"({"set": {"family": "inet", "table": "f", "name": "ports", "elem": [22, {"range": [4000, 6000]}]}},)";
    EXPECT_EQ(Of(ReadNftRuleset(R"({"nftables": [)" + table + namedSet + input +
                                rule("in", (udpTo + R"("@ports"}}, {"accept": null})").c_str()) + "]}")),
              Outcome::Accepted);
    const std::string side = R"({"chain": {"family": "inet", "table": "f", "name": "side"}},)";
    EXPECT_EQ(Of(ReadNftRuleset(R"({"nftables": [)" + table + input + side +
                                rule("in", R"({"jump": {"target": "side"}})") + "," +
                                rule("side", (udpTo + R"(5000}}, {"drop": null})").c_str()) + "," +
                                rule("in", (udpTo + R"(5000}}, {"accept": null})").c_str()) + "]}")),
              Outcome::Dropped);
    EXPECT_THROW(ReadNftRuleset("not json"), std::runtime_error);
}

TEST(DoctorRules, ABufferThatCannotHoldAFullRegistrysBurstIsAWarning) {
    // Stock Debian's cap gives a normal user exactly the 512 replies, with no room for the search's own
    // frame.
    EXPECT_EQ(CheckReceiveBuffer(425984, 212992).verdict, Verdict::Warning);
    // As root the forced size hides what a normal user gets.
    EXPECT_EQ(CheckReceiveBuffer(2097152, 212992).verdict, Verdict::Warning);
    EXPECT_EQ(CheckReceiveBuffer(2097152, 1048576).verdict, Verdict::Ok);
    EXPECT_NE(CheckReceiveBuffer(425984, 212992).remedy.find("net.core.rmem_max = 1048576"),
              std::string::npos);
}

} // namespace
} // namespace lumiq::cli
