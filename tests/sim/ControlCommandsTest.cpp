// The control socket's commands, run directly on a set of modules.

#include <gtest/gtest.h>

#include "base/GbkText.h"
#include "sim/ControlCommands.h"
#include "sim/ModuleList.h"

namespace lumiq::sim {
namespace {

class ControlCommands : public ::testing::Test {
protected:
    ControlCommands() {
        for (unsigned i = 0; i < 3; ++i)
            modules_.emplace_back(GeneratedModule(i, ParseAddress("10.77.1.1")));
    }
    std::string run(std::string_view line) { return RunControlCommand(line, modules_, log_).reply; }

    std::vector<SimModule> modules_;
    FrameLog log_{""};
};

TEST_F(ControlCommands, ListsAndReadsModules) {
    EXPECT_EQ(run("ping"), "OK 0\n");
    EXPECT_EQ(run("unplug 1"), "OK 0\n");
    EXPECT_EQ(run("list"), "OK 3\n"
                           "0 mac=02:4c:51:00:00:01 address=10.77.1.1 link=udp reply=unicast plugged=yes\n"
                           "1 mac=02:4c:51:00:00:02 address=10.77.1.2 link=udp reply=unicast plugged=no\n"
                           "2 mac=02:4c:51:00:00:03 address=10.77.1.3 link=udp reply=unicast plugged=yes\n");
    EXPECT_EQ(
        run("get 1"),
        "OK 12\nMODEL=1\nGATEWAY=10.77.0.1\nMASK=255.255.0.0\nIP=10.77.1.2\nDIP=192.168.1.100\n"
        "PORT=8001\nDPORT=9001\nDCHP=0\nNAME=LUMIQ-002\nUART=9600,8,1,0\nMAC=02:4c:51:00:00:02\nVER=V2.0\n");
    EXPECT_EQ(run("get 02:4c:51:00:00:03"), run("get 2"));
}

TEST_F(ControlCommands, SetsParametersAsAModuleWouldTakeThem) {
    EXPECT_EQ(run("set 0 name 二号 机"), "OK 0\n");
    EXPECT_EQ(modules_[0].params().at("NAME"), Utf8ToGbk("二号 机"));
    EXPECT_EQ(run("set 0 MAC 00:1a:2b:3c:4d:5e"), "OK 0\n");
    EXPECT_EQ(run("set 00:1a:2b:3c:4d:5e MODEL 3"), "OK 0\n");
    EXPECT_EQ(modules_[0].params().at("MODEL"), "3");
    EXPECT_EQ(run("set 0 MODEL 7"), "ERROR a module does not accept MODEL=7\n");
    EXPECT_EQ(run("set 0 COLOUR red"), "ERROR unknown parameter COLOUR\n");
    EXPECT_EQ(run("reply 2 broadcast"), "OK 0\n");
    EXPECT_EQ(modules_[2].replyMode(), ReplyMode::Broadcast);
}

TEST_F(ControlCommands, SetsShowsAndClearsFaults) {
    for (const char* command : {"fault 1 silent on", "fault 1 wrong 3", "fault 1 delay 500",
                                "fault 1 twice on", "fault 1 malformed nogt 2", "fault 1 malformed oversized",
                                "fault 1 refuse name", "fault 1 forget ip,Name"})
        EXPECT_EQ(run(command), "OK 0\n") << command;
    EXPECT_EQ(run("fault 1"), "OK "
                              "8\nsilent=on\nwrong=3\ndelay_ms=500\ntwice=on\nhidden=off\nmalformed=nogt,"
                              "nogt,oversized\nrefuse=NAME\nforget=IP,NAME\n");
    EXPECT_EQ(run("fault 1 clear"), "OK 0\n");
    EXPECT_EQ(run("fault 1"),
              "OK 8\nsilent=off\nwrong=0\ndelay_ms=0\ntwice=off\nhidden=off\nmalformed=\nrefuse=off\n"
              "forget=off\n");
}

TEST_F(ControlCommands, ResetsOneOrAll) {
    run("set 0 NAME x");
    run("set 2 NAME y");
    run("fault 2 silent on");
    EXPECT_EQ(run("reset 0"), "OK 0\n");
    EXPECT_EQ(modules_[0].params().at("NAME"), "LUMIQ-001");
    EXPECT_EQ(modules_[2].params().at("NAME"), "y");
    EXPECT_EQ(run("reset all"), "OK 0\n");
    EXPECT_EQ(modules_[2].params().at("NAME"), "LUMIQ-003");
    EXPECT_FALSE(modules_[2].faults().silent);
}

TEST_F(ControlCommands, RefusesWhatItCannotDo) {
    modules_[1].params()["MAC"] = modules_[0].mac();
    const struct {
        const char* command;
        const char* reply;
    } cases[] = {
        {"", "ERROR empty command\n"},
        {"dance", "ERROR unknown command dance\n"},
        {"get", "ERROR get needs a module\n"},
        {"get 3", "ERROR no module 3\n"},
        {"get 99999999999", "ERROR no module with MAC 99999999999\n"},
        {"get aa:bb:cc:dd:ee:ff", "ERROR no module with MAC aa:bb:cc:dd:ee:ff\n"},
        {"get 02:4c:51:00:00:01", "ERROR more than one module has MAC 02:4c:51:00:00:01; name it by index\n"},
        {"fault 0 silent maybe", "ERROR silent takes on or off\n"},
        {"fault 0 wrong -1", "ERROR wrong takes a number\n"},
        {"fault 0 malformed huge",
         "ERROR malformed takes short, nogt, binary or oversized and a count up to 1000\n"},
        {"fault 0 explode", "ERROR unknown fault command\n"},
        {"reply 0 sometimes", "ERROR wrong arguments for reply\n"},
        {"fault 0 forget IP,,NAME",
         "ERROR forget takes parameter keywords joined by commas (IP,NAME) or off\n"},
        {"plug 3", "ERROR no module 3\n"},
        {"unplug all now", "ERROR unplug takes a module or all\n"},
        {"power-cycle all soon", "ERROR power-cycle takes an off time in ms\n"},
        {"wait-frames x 10", "ERROR wait-frames takes a count and a time-out in ms\n"},
        {"ping now", "ERROR unknown command ping\n"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(run(c.command), c.reply) << c.command;
}

TEST_F(ControlCommands, LogAndWaitsWorkOnTheFrameLog) {
    log_.received("udp", "10.77.0.1:5000", "ignored", "x y");
    const ControlOutcome wait = RunControlCommand("wait-frames 2 1500", modules_, log_);
    ASSERT_TRUE(wait.wait);
    EXPECT_EQ(wait.wait->frames, 2u);
    EXPECT_EQ(wait.wait->timeout, std::chrono::milliseconds(1500));
    const std::string log = run("log");
    EXPECT_TRUE(log.starts_with("OK 1\nt=")) << log;
    EXPECT_NE(log.find(" dir=rx link=udp peer=10.77.0.1:5000 took=ignored len=3 data=x\\x20y\n"),
              std::string::npos);
    EXPECT_EQ(run("log-clear"), "OK 0\n");
    EXPECT_EQ(run("log"), "OK 0\n");
    EXPECT_EQ(log_.receivedCount(), 0u);
    EXPECT_TRUE(RunControlCommand("quit", modules_, log_).quit);
}

} // namespace
} // namespace lumiq::sim
