// What users may type for each parameter, and the canonical form kept.

#include <gtest/gtest.h>

#include "device/ModuleValues.h"
#include "device/ValueRules.h"

namespace lumiq::fleet {
namespace {

TEST(ValueRules, AcceptedValuesTakeTheirCanonicalForm) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"mode=1", "TCP_Client"},
        {"Model=udp_server", "UDP_Server"},
        {"dhcp=打开", "on"},
        {"dhcp=0", "off"},
        {"ip= 010.77.1.9 ", "10.77.1.9"},
        {"mask=255.255.240.0", "255.255.240.0"},
        {"port=00080", "80"},
        {"baud=115200", "115200"},
        {"parity=even", "Even"},
        {"StopBit=1.5", "1.5"},
        {"mac=02:AA:bb:00:00:01", "02:aa:bb:00:00:01"},
        {"name=车间一号机", "车间一号机"},
        {"name= padded ", " padded "},
    };
    for (const auto& [typed, canonical] : cases)
        EXPECT_EQ(CheckAssignment(typed).text, canonical) << typed;
}

TEST(ValueRules, RefusedValuesNameTheValueAndTheRule) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"mode=4", "TCP_Server, TCP_Client"},
        {"gateway=10.0.0", "four decimal octets"},
        {"ip=10.0.0.256", "four decimal octets"},
        {"ip=255.255.255.255", "unicast host address"},
        {"mask=255.0.255.0", "run of ones"},
        {"port=0", "1-65535"},
        {"dport=65536", "1-65535"},
        {"baud=9601", "module's rates"},
        {"databits=4", "5-9"},
        {"stopbits=3", "0.5, 1, 1.5 or 2"},
        {"mac=02:aa:bb:00:00", "xx:xx:xx:xx:xx:xx"},
        {"mac=00:00:00:00:00:00", "every module"},
        {"mac=01:00:5e:00:00:01", "group"},
        {"name=一二三四五六七八", "at most 15 GBK bytes"},
        {"name=a\r\nAT+DEFAULT", "control characters"},
        {"name=\xF0\x9F\x98\x80", "exist in GBK"},
        {"version=V3", "only be read"},
        {"colour=red", "unknown key"},
        {"ip", "KEY=VALUE"},
    };
    for (const auto& [typed, rule] : cases) {
        try {
            CheckAssignment(typed);
            ADD_FAILURE() << typed << " was accepted";
        } catch (const ValueError& error) {
            EXPECT_NE(std::string(error.what()).find(rule), std::string::npos) << error.what();
        }
    }
}

TEST(ModuleValues, RepliesWhoseValuesCannotBeReadEnterNothing) {
    ModuleValues values;
    EXPECT_TRUE(TakeReplyValues(Param::Baud, "+UART=9600,8,1,2\r\n", values));
    EXPECT_EQ(ValueOf(values, Param::Parity), "Even");
    values.clear();
    for (const auto& [param, reply] :
         std::vector<std::pair<Param, const char*>>{{Param::Baud, "+UART=9600,8"},
                                                    {Param::Baud, "+UART=9600,8,1,7"},
                                                    {Param::Mode, "+MODEL=7"},
                                                    {Param::Dhcp, "+DCHP=x"}})
        EXPECT_FALSE(TakeReplyValues(param, reply, values)) << reply;
    EXPECT_TRUE(values.empty());
}

} // namespace
} // namespace lumiq::fleet
