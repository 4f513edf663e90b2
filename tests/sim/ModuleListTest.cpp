// Where modules come from: generated ones, and the module file with its
// complaints.

#include <gtest/gtest.h>

#include <fstream>
#include <set>

#include "base/GbkText.h"
#include "sim/ModuleList.h"
#include "sim/SimOptions.h"

namespace lumiq::sim {
namespace {

class ModuleFile : public ::testing::Test {
protected:
    std::string write(const std::string& text) {
        std::ofstream(path_) << text;
        return path_;
    }
    std::vector<ModuleSetup> load(const std::string& text) {
        return LoadModuleFile(write(text), 0, ParseAddress("10.77.1.1"));
    }
    ~ModuleFile() override { std::remove(path_.c_str()); }

    std::string path_ = testing::TempDir() + "/modules-" + std::to_string(getpid()) + ".ini";
};

TEST(GeneratedModules, AreDistinctAndSkipNetworkAndBroadcastLookingAddresses) {
    std::set<std::string> macs;
    std::set<std::string> addresses;
    std::set<std::string> ports;
    for (unsigned i = 0; i < 300; ++i) {
        const ModuleSetup module = GeneratedModule(i, ParseAddress("10.77.1.1"));
        macs.insert(module.factory.at("MAC"));
        addresses.insert(module.address);
        ports.insert(module.factory.at("PORT"));
        EXPECT_EQ(module.factory.at("IP"), module.address);
        EXPECT_FALSE(module.address.ends_with(".0") || module.address.ends_with(".255")) << module.address;
    }
    EXPECT_EQ(macs.size(), 300u);
    EXPECT_EQ(addresses.size(), 300u);
    EXPECT_EQ(ports.size(), 300u);
    EXPECT_EQ(GeneratedModule(253, ParseAddress("10.77.1.1")).address, "10.77.1.254");
    EXPECT_EQ(GeneratedModule(254, ParseAddress("10.77.1.1")).address, "10.77.2.1");
    EXPECT_EQ(GeneratedModule(0, ParseAddress("10.77.1.0")).address, "10.77.1.1");
}

TEST_F(ModuleFile, DescribesEachModuleAndKeepsTheNameAsGbk) {
    const auto modules = load("# three modules\n"
                              "[module]\n"
                              "mac = 00:1A:2B:3C:4D:01\n"
                              "ip = 10.77.3.7\n"
                              "name = 一号机\n"
                              "reply = broadcast\n"
                              "model = 2\n"
                              "uart = 115200,8,1,2\n"
                              "\n"
                              "[module]\n"
                              "; a faulty one\n"
                              "silent = yes\n"
                              "wrong = 2\n"
                              "delay_ms = 300\n"
                              "twice = on\n"
                              "malformed = short, binary\n"
                              "plugged = no\n"
                              "forget = ip, Name\n"
                              "[module]\n"
                              "pty = /tmp/ttyLumiq\n");
    ASSERT_EQ(modules.size(), 3u);
    EXPECT_EQ(modules[0].factory.at("MAC"), "00:1A:2B:3C:4D:01");
    EXPECT_EQ(modules[0].address, "10.77.3.7");
    EXPECT_EQ(modules[0].factory.at("IP"), "10.77.3.7");
    EXPECT_EQ(modules[0].factory.at("NAME"), Utf8ToGbk("一号机"));
    EXPECT_EQ(modules[0].factory.at("NAME").size(), 6u);
    EXPECT_EQ(modules[0].reply, ReplyMode::Broadcast);
    EXPECT_EQ(modules[0].factory.at("MODEL"), "2");
    EXPECT_EQ(modules[0].factory.at("UART"), "115200,8,1,2");
    // Unset keys take the generated values of the module's place in the list.
    EXPECT_EQ(modules[1].factory, GeneratedModule(1, ParseAddress("10.77.1.1")).factory);
    EXPECT_TRUE(modules[1].faults.silent);
    EXPECT_EQ(modules[1].faults.wrongAnswers, 2u);
    EXPECT_EQ(modules[1].faults.delayMs, 300u);
    EXPECT_TRUE(modules[1].faults.twice);
    EXPECT_EQ(modules[1].faults.malformed, (std::deque<Malformed>{Malformed::Short, Malformed::Binary}));
    EXPECT_FALSE(modules[1].plugged);
    EXPECT_TRUE(modules[0].plugged);
    EXPECT_EQ(modules[1].faults.forgotten, (std::vector<std::string>{"IP", "NAME"}));
    EXPECT_EQ(modules[2].ptyPath, "/tmp/ttyLumiq");
}

TEST_F(ModuleFile, NamesTheLineOfEveryMistake) {
    const struct {
        const char* text;
        const char* complaint;
    } cases[] = {
        {"mac = 00:11:22:33:44:55\n", ":1: key outside a [module] section"},
        {"[module]\ncolour = red\n", ":2: unknown key: colour"},
        {"[module]\n\nmodel = 4\n", ":3: value not accepted by a module: 4"},
        {"[module]\nname = 设备名称设备名称\n", ":2: value not accepted by a module"},
        {"[module]\nip = 10.77.1\n", ":2: not an IPv4 address"},
        {"[module]\nmac = 00:11 :22\n", ":2: unusable MAC text"},
        {"[module]\nmac = <x>\n", ":2: unusable MAC text"},
        {"[module]\nreply = multicast\n", ":2: reply must be unicast or broadcast"},
        {"[module]\nwrong = many\n", ":2: wrong must be a number"},
        {"[module]\nsilent = maybe\n", ":2: silent must be yes or no"},
        {"[module]\nmalformed = short,,binary\n", ":2: malformed takes"},
        {"[module]\nforget = IP,COLOUR\n", ":2: forget takes"},
        {"[module]\njust words\n", ":2: expected [module] or key = value"},
        {"# nothing\n", "no [module] section"},
    };
    for (const auto& c : cases) {
        try {
            load(c.text);
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const ConfigError& error) {
            EXPECT_NE(std::string(error.what()).find(c.complaint), std::string::npos)
                << error.what() << " for " << c.text;
        }
    }
}

TEST(ModuleFileExample, LoadsWithDistinctModules) {
    const auto modules =
        LoadModuleFile(std::string(std::getenv("LUMIQ_SOURCE_DIR")) + "/sim/example-modules.ini", 0,
                       ParseAddress("10.77.1.1"));
    ASSERT_EQ(modules.size(), 3u);
    EXPECT_EQ(modules[0].factory.at("NAME"), Utf8ToGbk("车间一号机"));
    std::set<std::string> macs, addresses, names;
    for (const auto& module : modules) {
        macs.insert(module.factory.at("MAC"));
        addresses.insert(module.address);
        names.insert(module.factory.at("NAME"));
    }
    EXPECT_EQ(macs.size(), 3u);
    EXPECT_EQ(addresses.size(), 3u);
    EXPECT_EQ(names.size(), 3u);
}

TEST(ModuleFileMissing, SaysWhichFile) {
    EXPECT_THROW(LoadModuleFile("/nonexistent/modules.ini", 0, 0), ConfigError);
}

TEST(SimOptions, BuildsTheModuleListInFileGeneratedTerminalOrder) {
    const auto modules =
        BuildModules(ParseOptions({"--modules", "2", "--pty", "/tmp/a", "--reply", "broadcast"}));
    ASSERT_EQ(modules.size(), 3u);
    EXPECT_EQ(modules[0].reply, ReplyMode::Broadcast);
    EXPECT_TRUE(modules[1].ptyPath.empty());
    EXPECT_EQ(modules[2].ptyPath, "/tmp/a");
    EXPECT_EQ(modules[2].factory.at("MAC"), "02:4c:51:00:00:03");
    EXPECT_EQ(BuildModules(ParseOptions({})).size(), 1u);
    EXPECT_EQ(BuildModules(ParseOptions({"--modules", "0", "--pty", "/tmp/a"})).size(), 1u);
}

TEST(SimOptions, RefusesBadCommandLines) {
    const std::vector<std::vector<std::string>> cases{{"--modules"},         {"--modules", "x"},
                                                      {"--modules", "5000"}, {"--reply", "sometimes"},
                                                      {"--bogus"},           {"--ready-fd", "-1"}};
    for (const auto& args : cases)
        EXPECT_THROW(ParseOptions(args), UsageError) << args[0];
    EXPECT_THROW(BuildModules(ParseOptions({"--modules", "0"})), UsageError);
    EXPECT_THROW(BuildModules(ParseOptions({"--first-address", "10.77.1"})), ConfigError);
}

} // namespace
} // namespace lumiq::sim
