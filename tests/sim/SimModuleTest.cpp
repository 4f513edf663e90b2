// One simulated module: whom it answers, its reply header, and each fault.

#include <gtest/gtest.h>

#include "sim/ModuleList.h"
#include "sim/SimModule.h"

namespace lumiq::sim {
namespace {

constexpr const char* kMac = "02:4c:51:00:00:01";

SimModule Module(Faults faults = {}) {
    ModuleSetup setup = GeneratedModule(0, ParseAddress("10.77.1.1"));
    setup.faults = std::move(faults);
    return SimModule(std::move(setup));
}

std::vector<std::string> Writes(SimModule& module, std::string_view command) {
    return module.answer(command, true).writes;
}

TEST(SimModule, AnswersItsOwnMacAndTheAllZeroAddressOnly) {
    SimModule module = Module();
    EXPECT_TRUE(module.isAddressedBy(kMac));
    EXPECT_TRUE(module.isAddressedBy("00:00:00:00:00:00"));
    EXPECT_FALSE(module.isAddressedBy("02:4C:51:00:00:01")); // MAC texts compare byte for byte
    EXPECT_FALSE(module.isAddressedBy("02:4c:51:00:00:02"));
    EXPECT_FALSE(module.isAddressedBy(""));
}

TEST(SimModule, PutsTheHeaderInFrontOnUdpOnly) {
    SimModule module = Module();
    EXPECT_EQ(module.answer("AT", true).writes, std::vector<std::string>{"<02:4c:51:00:00:01>,OK"});
    EXPECT_EQ(module.answer("AT+DCHP=?", false).writes, std::vector<std::string>{"+DCHP=0\r\n"});
    // A frame without its line end is not a command the module can take.
    EXPECT_EQ(module.answer(std::nullopt, true).writes,
              std::vector<std::string>{"<02:4c:51:00:00:01>,ERROR\r\n"});
}

TEST(SimModule, NewMacTakesEffectAtOnceAndDefaultBringsTheOldBack) {
    SimModule module = Module();
    EXPECT_EQ(Writes(module, "AT+MAC=00:1a:2b:3c:4d:5e"),
              std::vector<std::string>{"<00:1a:2b:3c:4d:5e>,OK\r\n"});
    EXPECT_TRUE(module.isAddressedBy("00:1a:2b:3c:4d:5e"));
    EXPECT_FALSE(module.isAddressedBy(kMac));
    EXPECT_EQ(Writes(module, "AT+DEFAULT"), std::vector<std::string>{"<02:4c:51:00:00:01>,OK\r\n"});
    EXPECT_TRUE(module.isAddressedBy(kMac));
}

TEST(SimModule, SilentModuleAnswersNothingAndChangesNothing) {
    SimModule module = Module({.silent = true});
    EXPECT_TRUE(Writes(module, "AT+MODEL=3").empty());
    module.faults().silent = false;
    EXPECT_EQ(Writes(module, "AT+MODEL=?"), std::vector<std::string>{"<02:4c:51:00:00:01>,+MODEL=0\r\n"});
}

TEST(SimModule, WrongAnswersComeFirstAndChangeNothing) {
    SimModule module = Module({.wrongAnswers = 2});
    const std::vector<std::string> wrong{"<02:4c:51:00:00:01>,ERROR\r\n"};
    EXPECT_EQ(Writes(module, "AT+MODEL=2"), wrong);
    EXPECT_EQ(Writes(module, "AT+MODEL=?"), wrong);
    EXPECT_EQ(Writes(module, "AT+MODEL=?"), std::vector<std::string>{"<02:4c:51:00:00:01>,+MODEL=0\r\n"});
    EXPECT_EQ(module.faults().wrongAnswers, 0u);
}

TEST(SimModule, TwiceAndLateShapeEveryReply) {
    SimModule module = Module({.delayMs = 250, .twice = true});
    const SimModule::Answer answer = module.answer("AT", true);
    EXPECT_EQ(answer.writes, (std::vector<std::string>{"<02:4c:51:00:00:01>,OK", "<02:4c:51:00:00:01>,OK"}));
    EXPECT_EQ(answer.delayMs, 250u);
}

TEST(SimModule, MalformedRepliesReplaceOneAnswerEachInOrder) {
    SimModule module =
        Module({.malformed = {Malformed::Short, Malformed::NoGt, Malformed::Binary, Malformed::Oversized}});
    const auto shortReply = Writes(module, "AT+MODEL=3");
    const auto noGt = Writes(module, "AT");
    const auto binary = Writes(module, "AT");
    const auto oversized = Writes(module, "AT");
    ASSERT_EQ(shortReply.size(), 1u);
    EXPECT_LT(shortReply[0].size(), 20u);
    EXPECT_EQ(shortReply[0].front(), '<');
    ASSERT_EQ(noGt.size(), 1u);
    EXPECT_EQ(noGt[0].find('>'), std::string::npos);
    ASSERT_EQ(binary.size(), 1u);
    EXPECT_NE(binary[0].find('\0'), std::string::npos);
    EXPECT_NE(binary[0].find('\xff'), std::string::npos);
    ASSERT_EQ(oversized.size(), 1u);
    EXPECT_EQ(oversized[0].size(), 65000u);
    EXPECT_TRUE(oversized[0].starts_with("<02:4c:51:00:00:01>,+NAME="));
    EXPECT_EQ(oversized[0].find('\r'), std::string::npos);
    // The set under the first malformed reply was not carried out.
    EXPECT_EQ(Writes(module, "AT+MODEL=?"), std::vector<std::string>{"<02:4c:51:00:00:01>,+MODEL=0\r\n"});
}

TEST(SimModule, ResetBringsFactoryValuesAndEndsFaults) {
    SimModule module = Module({.silent = true, .wrongAnswers = 3});
    module.params()["NAME"] = "changed";
    module.reset();
    EXPECT_EQ(Writes(module, "AT+NAME=?"),
              std::vector<std::string>{"<02:4c:51:00:00:01>,+NAME=LUMIQ-001\r\n"});
}

} // namespace
} // namespace lumiq::sim
