// The doctor's judgements that a namespace cannot stage: rulesets of
// iptables, ufw and firewalld as their tools list them, nftables forms the
// end-to-end test does not build, and a normal user's receive buffer.

#include <gtest/gtest.h>

#include "doctor/FirewallCheck.h"
#include "doctor/IptablesRules.h"
#include "doctor/NftRules.h"
#include "doctor/ProgramOutput.h"
#include "doctor/SocketCheck.h"
#include "doctor/UfwRules.h"

namespace lumiq::doctor {
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

// Each chain is judged once: rulesets whose jumps would be walked
// exponentially often, jump in a loop or jump nowhere get their verdict at once.
TEST(DoctorRules, JumpsAreJudgedOnceAndLoopsAreDoubts) {
    // 24 chains, each jumping twice into the next under an address (2^24 walks of the last);
    // the last may drop the datagram.
    std::string nft = R"({"nftables": [{"chain": {"family": "ip", "table": "t", "name": "c0", "hook": "input",
        "prio": 0, "policy": "accept"}})";
    const std::string fromLan =
        R"({"match": {"op": "==", "left": {"payload": {"protocol": "ip", "field": "saddr"}}, "right": "10.0.0.1"}})";
    for (int i = 0; i < 24; ++i) {
        const std::string chain = "c" + std::to_string(i);
        const std::string action =
            i == 23 ? R"({"drop": null})" : R"({"jump": {"target": "c)" + std::to_string(i + 1) + R"("}})";
        if (i > 0)
            nft += R"(, {"chain": {"family": "ip", "table": "t", "name": ")" + chain + R"("}})";
        for (int handle = 0; handle < 2; ++handle)
            nft += R"(, {"rule": {"family": "ip", "table": "t", "chain": ")" + chain + R"(", "handle": )" +
                   std::to_string(handle) + R"(, "expr": [)" + fromLan + ", " + action + "]}}";
    }
    const FilterVerdict ladder = JudgeModuleDatagram(ReadNftRuleset(nft + "]}"));
    EXPECT_EQ(ladder.outcome, Outcome::Uncertain);
    EXPECT_EQ(ladder.doubt, "ip t c23 handle 0");
    EXPECT_EQ(ladder.decision, "ip t c0 policy accept");

    const struct {
        const char* listing;
        Outcome outcome;
        const char* loop;
    } cases[] = {
        {"-P INPUT ACCEPT\n-N a\n-A INPUT -j a\n-A a -j a\n-A a -j a\n", Outcome::Uncertain,
         "-A a -j a jumps back into a, a loop"},
        {"-P INPUT DROP\n-N a\n-N b\n-A INPUT -p udp -j a\n-A a -g b\n-A b -j a\n-A b -j ACCEPT\n",
         Outcome::Uncertain, "-A b -j a jumps back into a, a loop"},
        // A loop that no datagram of a module reaches, and one behind a sure accept.
        {"-P INPUT DROP\n-N a\n-A INPUT -p tcp -j a\n-A a -j a\n-A INPUT -j ACCEPT\n-A INPUT -j a\n",
         Outcome::Accepted, ""},
        // A jump nowhere, odd lines and words.
        {"-P INPUT DROP\n-A INPUT -j missing\n-A\n-P INPUT\nnonsense\n-A INPUT -j\n-A INPUT \"open ! !\n"
         "-A INPUT ! ! -p udp --dport\n-A INPUT -p udp --dport 5000 -j ACCEPT\n",
         Outcome::Accepted, ""},
    };
    for (const auto& c : cases) {
        const FilterVerdict verdict = JudgeModuleDatagram(ReadIptablesRules(c.listing));
        EXPECT_EQ(verdict.outcome, c.outcome) << c.listing;
        EXPECT_EQ(verdict.loop, c.loop) << c.listing;
    }
    const Finding loop =
        FirewallFinding("iptables", JudgeModuleDatagram(ReadIptablesRules(cases[0].listing)), "remedy");
    EXPECT_EQ(loop.verdict, Verdict::Warning);
    EXPECT_EQ(loop.details.front(), cases[0].loop);
}

// A tool is cut off at its time limit; one that has ended is not waited for
// behind a child of its that keeps its output open.
TEST(DoctorRules, AToolThatDoesNotAnswerIsCutOffAndNamed) {
    const ProgramLimits quick{300, 1024}, limits{2000, 1024};
    const ProgramOutput hung = RunProgramForOutput("/bin/sh", {"-c", "sleep 60 & sleep 60"}, quick);
    EXPECT_TRUE(hung.timedOut);
    EXPECT_EQ(UncheckedFinding("nftables", "nft", hung, quick)->summary,
              "not checked: nft did not answer in 0.3 s");
    const ProgramOutput ended = RunProgramForOutput("/bin/sh", {"-c", "(sleep 5 &); echo listed"}, limits);
    EXPECT_FALSE(ended.timedOut);
    EXPECT_EQ(ended.exitStatus, 0);
    EXPECT_EQ(ended.out, "listed\n");
    EXPECT_FALSE(UncheckedFinding("nftables", "nft", ended, limits));
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
} // namespace lumiq::doctor
