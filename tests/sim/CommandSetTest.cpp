// The module's side of the AT command set: exact reply bytes, what a module
// accepts and refuses, and the factory reset.

#include <gtest/gtest.h>

#include "base/GbkText.h"
#include "sim/CommandSet.h"
#include "sim/ModuleList.h"

namespace lumiq::sim {
namespace {

ModuleParams Factory() {
    return GeneratedModule(0, ParseAddress("10.77.1.1")).factory;
}

// Every query and set form, through both links, is in CommandForms.h; these
// are the edges of what a module takes.
TEST(CommandSet, AcceptsSoundValuesAndReportsThemBack) {
    const struct {
        const char* keyword;
        const char* value;
    } cases[] = {
        {"MODEL", "3"},
        {"GATEWAY", "192.168.1.1"},
        {"MASK", "255.255.255.0"},
        {"MASK", "0.0.0.0"},
        {"IP", "192.168.1.199"},
        {"DIP", "0.0.0.0"},
        {"PORT", "1"},
        {"DPORT", "65535"},
        {"UART", "115200,8,3,2"},
        {"UART", "110,9,0,0"},
        {"MAC", "00:1A:2B:3C:4D:5E"},
        {"DCHP", "1"},
        {"NAME", "my module 15by"},
        {"NAME", ""},
    };
    for (const auto& c : cases) {
        ModuleParams params = Factory();
        const std::string set = "AT+" + std::string(c.keyword) + "=" + c.value;
        EXPECT_EQ(ExecuteCommand(set, params, Factory()), "OK\r\n") << set;
        EXPECT_EQ(ExecuteCommand("AT+" + std::string(c.keyword) + "=?", params, Factory()),
                  "+" + std::string(c.keyword) + "=" + c.value + "\r\n")
            << set;
    }
}

TEST(CommandSet, RefusesWhatNoModuleTakesAndChangesNothing) {
    const char* cases[] = {
        "AT+MODEL=4",
        "AT+MODEL=",
        "AT+MODEL=01",
        "AT+MODEL=a",
        "AT+DCHP=2",
        "AT+GATEWAY=256.1.1.1",
        "AT+GATEWAY=1.2.3",
        "AT+GATEWAY=1.2.3.4.5",
        "AT+GATEWAY=1..2.3",
        "AT+IP=192.168.1.1 ",
        "AT+DIP=",
        "AT+MASK=255.0.255.0",
        "AT+MASK=255.255.255.1",
        "AT+PORT=0",
        "AT+PORT=65536",
        "AT+PORT=-1",
        "AT+PORT=123456",
        "AT+DPORT=8o",
        "AT+UART=9601,8,1,0",
        "AT+UART=9600,8,1,3",
        "AT+UART=9600,8,4,0",
        "AT+UART=9600,4,1,0",
        "AT+UART=9600,8,1",
        "AT+UART=9600,8,1,0,",
        "AT+UART=9600;8;1;0",
        "AT+MAC=00:11:22:33:44",
        "AT+MAC=00:11:22:33:44:5g",
        "AT+MAC=00-11-22-33-44-55",
        "AT+NAME=sixteen bytes!!!",
        "AT+NAME=tab\there",
        "AT+VER=V3.0",
        "AT+DEFAULT=?",
        "AT+MODEL",
        "AT+",
        "AT+FOO=?",
        "at+model=?",
        "ATI",
        "",
        "OK",
    };
    for (const char* command : cases) {
        ModuleParams params = Factory();
        EXPECT_EQ(ExecuteCommand(command, params, Factory()), "ERROR\r\n") << command;
        EXPECT_EQ(params, Factory()) << command;
    }
}

TEST(CommandSet, NameLimitCountsGbkBytes) {
    const std::string fifteen = Utf8ToGbk("设备名称设备名称").substr(0, 14) + "A"; // 7 characters + 1
    const std::string sixteen = Utf8ToGbk("设备名称设备名称");                     // 8 characters
    ASSERT_EQ(fifteen.size(), 15u);
    ASSERT_EQ(sixteen.size(), 16u);
    ModuleParams params = Factory();
    EXPECT_EQ(ExecuteCommand("AT+NAME=" + fifteen, params, Factory()), "OK\r\n");
    EXPECT_EQ(ExecuteCommand("AT+NAME=?", params, Factory()), "+NAME=" + fifteen + "\r\n");
    EXPECT_EQ(ExecuteCommand("AT+NAME=" + sixteen, params, Factory()), "ERROR\r\n");
    EXPECT_EQ(params["NAME"], fifteen);
}

TEST(CommandSet, DefaultRestoresEveryFactoryValue) {
    ModuleParams params = Factory();
    for (const char* set : {"AT+MODEL=2", "AT+IP=1.2.3.4", "AT+NAME=changed", "AT+MAC=aa:bb:cc:dd:ee:ff",
                            "AT+UART=256000,9,3,2", "AT+DCHP=1"})
        ASSERT_EQ(ExecuteCommand(set, params, Factory()), "OK\r\n") << set;
    ASSERT_NE(params, Factory());
    EXPECT_EQ(ExecuteCommand("AT+DEFAULT", params, Factory()), "OK\r\n");
    EXPECT_EQ(params, Factory());
}

} // namespace
} // namespace lumiq::sim
