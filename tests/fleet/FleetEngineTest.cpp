// The multi-module engine against simulated modules in fake time.

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <algorithm>

#include "device/ValueRules.h"
#include "fleet/FleetEngine.h"
#include "fleet/WriteOutcome.h"
#include "tests/fleet/FakeLan.h"

namespace lumiq::fleet {
namespace {

using testing::FakeLan;

EngineOptions Options(int parallel = 32) {
    EngineOptions options;
    options.parallel = parallel;
    options.ownAddresses = {FakeLan::HostRoute().source};
    return options;
}

Session& AddModule(FleetEngine& engine, FakeLan& lan, int index, std::unique_ptr<Plan> plan) {
    return engine.add(lan.module(index).mac(), FakeLan::HostRoute(), std::move(plan));
}

TEST(FleetEngine, ReadsManyModulesAtOnceWithinTheWindowAndAtThePace) {
    FakeLan lan(5);
    FleetEngine engine(lan, Options(2));
    for (int i = 0; i < 5; ++i)
        AddModule(engine, lan, i, ReadAllPlan());
    engine.start(0);
    lan.run(engine);

    for (int i = 0; i < 5; ++i) {
        const Session& session = *engine.sessions()[static_cast<std::size_t>(i)];
        ASSERT_EQ(session.state(), SessionState::Done) << i;
        EXPECT_EQ(session.records().size(), 13u);
        EXPECT_EQ(ValueOf(session.values(), Param::Ip), lan.module(i).address());
        EXPECT_EQ(ValueOf(session.values(), Param::Mode), ChoiceName(Param::Mode, i % 4));
        EXPECT_EQ(ValueOf(session.values(), Param::Parity), "None");
        EXPECT_EQ(ValueOf(session.values(), Param::Version), "V2.0");
        // Each frame of a module follows its previous reply by 30 ms.
        const auto frames = lan.framesTo(lan.module(i).mac());
        ASSERT_EQ(frames.size(), 13u);
        for (std::size_t f = 1; f < frames.size(); ++f)
            EXPECT_EQ(frames[f].at - frames[f - 1].at, 2 + 30);
    }
    // Two at a time: the third module starts when the first is done.
    EXPECT_EQ(lan.framesTo(lan.module(2).mac()).front().at, lan.framesTo(lan.module(0).mac()).back().at + 2);
}

TEST(FleetEngine, EveryExchangeEndsInAKnownWay) {
    FakeLan lan(4);
    lan.module(1).faults().silent = true;
    lan.module(2).faults().wrongAnswers = 3; // the fourth try is answered right
    lan.module(3).faults().wrongAnswers = 4; // never right
    FleetEngine engine(lan, Options());
    for (int i = 0; i < 4; ++i)
        AddModule(engine, lan, i, QueryPlan({Param::Name}));
    engine.start(0);
    lan.run(engine);

    const auto& sessions = engine.sessions();
    EXPECT_EQ(sessions[0]->state(), SessionState::Done);
    ASSERT_NE(sessions[1]->failure(), nullptr);
    EXPECT_EQ(sessions[1]->failure()->outcome, Outcome::Timeout);
    EXPECT_EQ(sessions[1]->failure()->sends, 4);
    // Silence is waited out for a second before each resend.
    const auto silent = lan.framesTo(lan.module(1).mac());
    EXPECT_EQ(silent.back().at - silent.front().at, 3 * 1000);
    EXPECT_EQ(sessions[2]->state(), SessionState::Done);
    EXPECT_EQ(sessions[2]->records().back().sends, 4);
    EXPECT_EQ(ValueOf(sessions[2]->values(), Param::Name), "LUMIQ-003");
    EXPECT_EQ(sessions[3]->failure()->outcome, Outcome::WrongReply);
    EXPECT_EQ(sessions[3]->failure()->reply, "ERROR");
}

TEST(FleetEngine, SetsGoInOneKeyOrderAndARefusalStopsOnlyThatModule) {
    FakeLan lan(2);
    std::vector<Value> values{CheckAssignment("mac=02:aa:00:00:00:01"), CheckAssignment("port=7000"),
                              CheckAssignment("mode=UDP"), CheckAssignment("parity=Even")};
    FleetEngine engine(lan, Options());
    AddModule(engine, lan, 0, std::make_unique<SetPlan>(values));
    // The second module refuses its first set.
    lan.module(1).faults().wrongAnswers = 1;
    AddModule(engine, lan, 1,
              std::make_unique<SetPlan>(
                  std::vector<Value>{CheckAssignment("port=7000"), CheckAssignment("mode=UDP")}));
    const std::string oldMac = lan.module(0).mac();
    engine.start(0);
    lan.run(engine);

    const Session& first = *engine.sessions()[0];
    ASSERT_EQ(first.state(), SessionState::Done);
    std::vector<std::string> titles;
    for (const StepRecord& record : first.records())
        titles.push_back(record.step.title());
    EXPECT_EQ(titles, (std::vector<std::string>{"query uart", "set mode", "set port",
                                                "set baud,databits,stopbits,parity", "set mac", "query mode",
                                                "query port", "query uart", "query mac"}));
    // The UART set keeps what the module had and changes the parity only.
    EXPECT_EQ(lan.module(0).params().at("UART"), "9600,8,1,2");
    EXPECT_EQ(lan.module(0).params().at("MODEL"), "2");
    // 300 ms between two sets of one module.
    const auto sets = lan.framesTo(oldMac, "AT+");
    EXPECT_EQ(sets[3].at - sets[2].at, 2 + 300);
    // Re-keyed: the session now answers to the new MAC.
    EXPECT_EQ(first.mac(), "02:aa:00:00:00:01");
    EXPECT_EQ(first.firstMac(), oldMac);

    const Session& second = *engine.sessions()[1];
    ASSERT_EQ(second.state(), SessionState::Failed);
    EXPECT_EQ(second.failure()->outcome, Outcome::Refused);
    EXPECT_EQ(second.failure()->step.title(), "set mode");
    EXPECT_EQ(lan.framesTo(lan.module(1).mac(), "AT+PORT").size(), 0u);
}

TEST(FleetEngine, OnlyModulesOnBroadcastWaitForRoomAmongTheBroadcastOnes) {
    FakeLan lan(3);
    EngineOptions options = Options(8);
    options.broadcastParallel = 1;
    FleetEngine engine(lan, options);
    // 0 and 1 only by broadcast, 2 by unicast.
    for (int i = 0; i < 3; ++i)
        engine.add(lan.module(i).mac(), FakeLan::HostRoute(), QueryPlan({Param::Name}),
                   Sighting{lan.moduleIp(i), 0, 0, i == 2});
    engine.start(0);
    lan.run(engine);
    EXPECT_EQ(engine.finishedCount(), 3u);
    EXPECT_GT(lan.framesTo(lan.module(1).mac()).front().at, lan.framesTo(lan.module(0).mac()).back().at);
    EXPECT_EQ(lan.framesTo(lan.module(2).mac()).front().at, 0);
    EXPECT_EQ(lan.framesTo(lan.module(2).mac()).front().destination, lan.moduleIp(2));
}

TEST(FleetEngine, ALostMacSetReplyIsReadBackUnderTheNewMacNotSentAgain) {
    FakeLan lan(1);
    EngineOptions options = Options();
    FleetEngine engine(lan, options);
    Session& session =
        AddModule(engine, lan, 0,
                  std::make_unique<SetPlan>(std::vector<Value>{CheckAssignment("mac=02:aa:00:00:00:09")}));
    engine.start(0);
    // The module takes the new MAC, but its reply is lost.
    lan.dropReplies = 1;
    lan.run(engine);
    ASSERT_EQ(session.state(), SessionState::Done);
    const StepRecord& set = session.records().front();
    EXPECT_EQ(set.outcome, Outcome::Ok);
    EXPECT_EQ(set.sends, 1);
    EXPECT_EQ(set.readBacks, 1);
    EXPECT_EQ(lan.framesTo("", "AT+MAC=02").size(), 1u);
    EXPECT_EQ(session.mac(), "02:aa:00:00:00:09");
}

// A module answering 1.1 s after each frame, against a 1 s time-out: every
// answer is late. The sets' late "OK"s must not stand for the next set's
// answer, and the refused name must come out refused.
TEST(FleetEngine, LateAnswersCountOnlyForTheQuestionTheyAnswer) {
    FakeLan lan(1, 1100);
    lan.module(0).faults().refused = "NAME";
    FleetEngine engine(lan, Options());
    const std::vector<Value> asked{CheckAssignment("port=7001"), CheckAssignment("name=Press-7")};
    Session& session = AddModule(engine, lan, 0, std::make_unique<SetPlan>(asked));
    engine.start(0);
    lan.run(engine);
    ASSERT_EQ(session.state(), SessionState::Failed);
    EXPECT_EQ(session.failure()->outcome, Outcome::Refused);
    EXPECT_EQ(session.failure()->step.title(), "set name");
    const auto writes = WritesOf(session, asked, nullptr);
    EXPECT_EQ(writes[0].state, WriteState::Confirmed);
    EXPECT_EQ(writes[1].state, WriteState::Refused);
    EXPECT_EQ(lan.module(0).params().at("PORT"), "7001");
    // Read back, never sent blindly again.
    EXPECT_EQ(lan.framesTo("", "AT+PORT=7").size(), 1u);
}

TEST(FleetEngine, ASecondSenderForTheMacEndsItsModuleAndAStopWaitsForWhatWasSent) {
    FakeLan lan(2, 50);
    FleetEngine engine(lan, Options());
    const std::vector<Value> asked{CheckAssignment("port=7001")};
    Session& first = engine.add(lan.module(0).mac(), FakeLan::HostRoute(), std::make_unique<SetPlan>(asked),
                                Sighting{lan.moduleIp(0), 0, 0});
    Session& second = engine.add(lan.module(1).mac(), FakeLan::HostRoute(), std::make_unique<SetPlan>(asked),
                                 Sighting{lan.moduleIp(1), 0, 0});
    engine.start(0);
    engine.advance(0);
    // Someone else answers with the first module's MAC.
    const std::string rogue = "<" + lan.module(0).mac() + ">,OK\r\n";
    engine.onDatagram(Arrival{inet_addr("10.77.9.9"), 5000, FakeLan::HostRoute().ifindex, false}, rogue, 10);
    EXPECT_EQ(first.state(), SessionState::Failed);
    EXPECT_EQ(first.failure()->outcome, Outcome::SecondSender);
    EXPECT_NE(first.failure()->error.find("10.77.9.9"), std::string::npos) << first.failure()->error;
    EXPECT_EQ(WritesOf(first, asked, nullptr)[0].state, WriteState::Unconfirmed);
    // A stop sends nothing new but takes the answer to the set already sent.
    engine.stop(20);
    EXPECT_FALSE(engine.finished());
    lan.now = 20;
    lan.run(engine);
    EXPECT_EQ(second.state(), SessionState::Cancelled);
    EXPECT_EQ(second.records().back().outcome, Outcome::Ok);
    EXPECT_EQ(WritesOf(second, asked, nullptr)[0].state, WriteState::Confirmed);
    EXPECT_EQ(lan.framesTo(lan.module(1).mac(), "AT+PORT=?").size(), 0u);
}

TEST(FleetEngine, OwnBroadcastsAndStrayRepliesAreNotTakenForAnswers) {
    FakeLan lan(1);
    lan.module(0).faults().silent = true;
    FleetEngine engine(lan, Options());
    Session& session = AddModule(engine, lan, 0, QueryPlan({Param::Mode}));
    engine.start(0);
    engine.advance(0);
    const std::string mac = lan.module(0).mac();
    // Our own frame coming back names the module and holds the keyword.
    const std::string echo = "<" + mac + ">,<" + FakeLan::HostRoute().localMac + ">,AT+MODEL=?\r\n";
    const auto from = [](const char* ip) {
        return Arrival{inet_addr(ip), 5000, FakeLan::HostRoute().ifindex, false};
    };
    engine.onDatagram(Arrival{FakeLan::HostRoute().source, 5000, 0, false}, echo, 1);
    // A reply from a module outside the run, and one with no header.
    engine.onDatagram(from("10.77.9.9"), "<02:4c:51:00:99:99>,+MODEL=1\r\n", 1);
    engine.onDatagram(from("10.77.9.9"), "+MODEL=1", 1);
    EXPECT_EQ(session.state(), SessionState::Running);
    EXPECT_TRUE(session.values().empty());
    engine.cancel(5);
    EXPECT_EQ(session.state(), SessionState::Cancelled);
    EXPECT_EQ(session.records().back().outcome, Outcome::Cancelled);
    EXPECT_FALSE(engine.nextWake());
}

TEST(FleetEngine, FactoryDefaultReadsBackAfterTwoSeconds) {
    FakeLan lan(1);
    lan.module(0).params()["NAME"] = "changed";
    FleetEngine engine(lan, Options());
    Session& session = AddModule(engine, lan, 0, DefaultPlan());
    engine.start(0);
    lan.run(engine);
    ASSERT_EQ(session.state(), SessionState::Done);
    EXPECT_EQ(ValueOf(session.values(), Param::Name), "LUMIQ-001");
    const auto frames = lan.framesTo(lan.module(0).mac());
    EXPECT_EQ(frames[1].at - frames[0].at, 2 + 2000);
}

} // namespace
} // namespace lumiq::fleet
