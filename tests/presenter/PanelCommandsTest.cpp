// The panel's buttons send exactly the right bytes, or nothing at all.

#include <gtest/gtest.h>

#include <optional>

#include <string>

#include "state/AddressText.h"
#include "state/Errors.h"
#include "tests/presenter/ControllerRig.h"

namespace lumiq::test {
namespace {

class PanelCommands : public ::testing::Test {
protected:
    // A module is found and selected; its read-all chain is not let run.
    void SetUp() override {
        rig.findAndSelectModule();
        rig.clearRecords();
    }
    ControllerRig rig;
};

struct SetCase {
    std::optional<Param> button; // none: 出厂设置
    std::string line;
    int code;
    const char* caption;
};

void PressSet(ModuleController& controller, std::optional<Param> button) {
    if (button)
        controller.set(*button);
    else
        controller.factoryDefault();
}

// With the panel as FakePanel starts it.
const SetCase kSetCases[] = {
    {Param::Mode, "AT+MODEL=0\r\n", 7, "设置模块工作模式"},
    {Param::Gateway, "AT+GATEWAY=192.168.1.1\r\n", 13, "设置网关IP地址"},
    {Param::Mask, "AT+MASK=255.255.255.0\r\n", 17, "设置子网掩码"},
    {Param::Ip, "AT+IP=192.168.1.7\r\n", 21, "设置模块IP地址"},
    {Param::Dip, "AT+DIP=192.168.1.100\r\n", 25, "设置目的IP"},
    {Param::Port, "AT+PORT=8080\r\n", 29, "设置模块端口号"},
    {Param::DPort, "AT+DPORT=9090\r\n", 33, "设置目的端口号"},
    {Param::Mac, "AT+MAC=00:1a:2b:3c:4d:5f\r\n", 41, "设置模块MAC地址"},
    {Param::Dhcp, "AT+DCHP=0\r\n", 49, "设置DCHP模式"},
    {Param::Name, "AT+NAME=Lumiq\r\n", 53, "设置模块设备名称"},
    {Param::Baud, "AT+UART=9600,8,1,0\r\n", 37, "设置模块串口参数"},
    {std::nullopt, "AT+DEFAULT\r\n", 9, "设置模块出厂默认参数"},
};

TEST_F(PanelCommands, EverySetButtonBroadcastsEnvelopeAndLineAtOnce) {
    for (const SetCase& c : kSetCases) {
        SCOPED_TRACE(c.line);
        rig.clearRecords();
        PressSet(rig.controller, c.button);
        ASSERT_EQ(rig.udp.sent.size(), 1u);
        EXPECT_EQ(rig.udp.sent[0].bytes, kModuleEnvelope + c.line);
        EXPECT_EQ(rig.udp.addresses.back(), 0xffffffffu);
        EXPECT_EQ(rig.udp.ports.back(), 5000);
        EXPECT_EQ(rig.state.PendingCommand, c.code);
        EXPECT_EQ(rig.log.lines, std::vector<std::string>{std::string("@ ") + c.caption});
        EXPECT_FALSE(rig.timerPortRes.enabled());
    }
}

TEST_F(PanelCommands, OnTheSerialLinkTheLineGoesBareWithoutASelection) {
    ControllerRig serialRig; // nothing found, nothing selected
    serialRig.useSerialLink();
    for (const SetCase& c : kSetCases) {
        SCOPED_TRACE(c.line);
        serialRig.clearRecords();
        PressSet(serialRig.controller, c.button);
        ASSERT_EQ(serialRig.serial.written.size(), 1u);
        EXPECT_EQ(serialRig.serial.written[0].bytes, c.line);
        EXPECT_EQ(serialRig.state.PendingCommand, c.code);
        EXPECT_TRUE(serialRig.timerPortRes.enabled());
        EXPECT_EQ(serialRig.timerPortRes.interval(), c.button == Param::Mac ? 1800 : 300);
        serialRig.clock.advance(2000); // the window closes empty and falls back to 300 ms
    }
    EXPECT_TRUE(serialRig.udp.sent.empty());
}

TEST_F(PanelCommands, DigitArgumentsFollowTheItemIndex) {
    struct Case {
        Param button;
        Param field;
        int index;
        std::string line;
    };
    const Case cases[] = {
        {Param::Mode, Param::Mode, 3, "AT+MODEL=3\r\n"},  // UDP_Server
        {Param::Dhcp, Param::Dhcp, 1, "AT+DCHP=1\r\n"},   // 打开
        {Param::Mode, Param::Mode, -1, "AT+MODEL=/\r\n"}, // typed text matching no item
        {Param::Baud, Param::StopBits, -1, "AT+UART=9600,8,/,0\r\n"},
        {Param::Baud, Param::Parity, 2, "AT+UART=9600,8,1,2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ControllerRig fresh;
        fresh.findAndSelectModule();
        fresh.clearRecords();
        fresh.panel.indexes[c.field] = c.index;
        PressSet(fresh.controller, c.button);
        ASSERT_EQ(fresh.commands().size(), 1u);
        EXPECT_EQ(fresh.commands()[0], c.line);
    }
}

TEST_F(PanelCommands, TextsGoOutWholeAsTypedInGbk) {
    const std::string longGateway = " 10.0.0.1 " + std::string(300, '9'); // blanks kept, nothing cut
    rig.panel.texts[Param::Gateway] = longGateway;
    rig.controller.set(Param::Gateway);
    rig.panel.texts[Param::Name] = "车间一号"; // 8 GBK bytes
    rig.controller.set(Param::Name);
    rig.panel.texts[Param::Baud] = "115200";
    rig.panel.texts[Param::DataBits] = "9位";
    rig.controller.set(Param::Baud);

    const std::vector<std::string> expected{
        "AT+GATEWAY=" + longGateway + "\r\n",
        "AT+NAME=\xb3\xb5\xbc\xe4\xd2\xbb\xba\xc5\r\n",
        "AT+UART=115200,9,1,0\r\n",
    };
    EXPECT_EQ(rig.commands(), expected);
    EXPECT_EQ(rig.udp.sent[0].bytes.size(), 40 + 11 + longGateway.size() + 2);
}

TEST_F(PanelCommands, DeviceNameIsLimitedTo15GbkBytes) {
    rig.panel.texts[Param::Name] = "abcdefghijklmno"; // 15 bytes
    rig.controller.set(Param::Name);
    EXPECT_EQ(rig.commands(), std::vector<std::string>{"AT+NAME=abcdefghijklmno\r\n"});

    rig.clearRecords();
    rig.state.PendingCommand = 100;
    rig.panel.texts[Param::Name] = "一二三四五六七八"; // 16 bytes
    rig.controller.set(Param::Name);
    EXPECT_TRUE(rig.commands().empty());
    EXPECT_TRUE(rig.log.lines.empty());
    EXPECT_EQ(rig.state.PendingCommand, 100);
    ASSERT_EQ(rig.dialogs.shown.size(), 1u);
    EXPECT_EQ(rig.dialogs.shown[0].text, "设备名称不能超过15个字节");
    EXPECT_EQ(rig.dialogs.shown[0].caption, "提示");
    EXPECT_EQ(rig.dialogs.shown[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(rig.dialogs.shown[0].icon, MessageIcon::Stop);
}

TEST_F(PanelCommands, AnEmptyFieldStopsWithRangeCheckErrorAndLeavesEverything) {
    const Param fields[] = {Param::Gateway, Param::Mask, Param::Ip,   Param::Dip,  Param::Port,
                            Param::DPort,   Param::Mac,  Param::Name, Param::Baud, Param::DataBits};
    const Param buttons[] = {Param::Gateway, Param::Mask, Param::Ip,   Param::Dip,  Param::Port,
                             Param::DPort,   Param::Mac,  Param::Name, Param::Baud, Param::Baud};
    for (std::size_t i = 0; i < std::size(fields); ++i) {
        SCOPED_TRACE(i);
        ControllerRig fresh;
        fresh.findAndSelectModule();
        fresh.clearRecords();
        const std::uint16_t before = fresh.state.PendingCommand;
        fresh.panel.texts[fields[i]] = "";
        EXPECT_THROW(fresh.controller.set(buttons[i]), RangeCheckError);
        EXPECT_TRUE(fresh.commands().empty());
        EXPECT_TRUE(fresh.log.lines.empty());
        EXPECT_EQ(fresh.state.PendingCommand, before);
        EXPECT_FALSE(fresh.timerOut.enabled());
    }
}

TEST(PanelGuard, WithoutASelectionOnUdpEveryButtonRefuses) {
    ControllerRig rig;
    auto everyButton = [&rig] {
        for (const SetCase& c : kSetCases)
            PressSet(rig.controller, c.button);
        for (const Param button : QueriedParams())
            rig.controller.query(button); // the 12 query buttons
        rig.controller.readAll();
        rig.controller.oneKeyWrite();
    };
    everyButton();
    rig.clock.advance(5000);
    EXPECT_TRUE(rig.commands().empty());
    EXPECT_TRUE(rig.log.lines.empty());
    EXPECT_EQ(rig.state.PendingCommand, 100);
    EXPECT_EQ(rig.state.OneKeyWrite, 0);
    ASSERT_EQ(rig.dialogs.shown.size(), std::size(kSetCases) + 12 + 2);
    for (const MessageRequest& shown : rig.dialogs.shown) {
        EXPECT_EQ(shown.text, "请选择IP！");
        EXPECT_EQ(shown.caption, "提示");
        EXPECT_EQ(shown.buttons, MessageButtons::Ok);
        EXPECT_EQ(shown.icon, MessageIcon::Stop);
    }
}

TEST(PanelSerial, AFailedWriteHasLoggedAndSetTheCodeButStartsNoWindow) {
    ControllerRig rig;
    rig.useSerialLink();
    rig.serial.failWrites = true;
    rig.panel.texts[Param::Ip] = "192.168.1.7";
    EXPECT_THROW(rig.controller.set(Param::Ip), std::runtime_error);
    EXPECT_EQ(rig.state.PendingCommand, 21);
    EXPECT_EQ(rig.log.lines, std::vector<std::string>{"@ 设置模块IP地址"});
    EXPECT_FALSE(rig.timerPortRes.enabled());
}

TEST_F(PanelCommands, FactoryDefaultAddressesTheMacTheModuleHasNow) {
    // The MAC change is confirmed: the entry and its line carry the new MAC.
    rig.panel.texts[Param::Mac] = "00:1a:2b:3c:4d:99";
    rig.controller.set(Param::Mac);
    rig.receive(rig.moduleIp, "00:1a:2b:3c:4d:5e", "OK\r\n");
    EXPECT_EQ(rig.list.lines, std::vector<std::string>{"192.168.0.7:00:1a:2b:3c:4d:99"});

    rig.clearRecords();
    rig.controller.factoryDefault();
    ASSERT_EQ(rig.udp.sent.size(), 1u);
    EXPECT_EQ(rig.udp.sent[0].bytes, "<00:1a:2b:3c:4d:99>,<00:11:22:33:44:55>,AT+DEFAULT\r\n");
}

TEST_F(PanelCommands, QueryButtonsOnlyArmTheSenderWhichSendsAfter50ms) {
    rig.controller.query(Param::Mode);
    EXPECT_TRUE(rig.commands().empty());
    EXPECT_TRUE(rig.log.lines.empty());
    EXPECT_EQ(rig.state.PendingCommand, 4);
    EXPECT_EQ(rig.state.SingleQuery, 1);
    rig.clock.advance(49);
    EXPECT_TRUE(rig.commands().empty());
    rig.clock.advance(1);
    ASSERT_EQ(rig.udp.sent.size(), 1u);
    EXPECT_EQ(rig.udp.sent[0].bytes, "<00:1a:2b:3c:4d:5e>,<00:11:22:33:44:55>,AT+MODEL=?\r\n");
    EXPECT_EQ(rig.udp.sent[0].bytes.size(), 52u);
    EXPECT_EQ(rig.udp.addresses[0], ParseIp("255.255.255.255"));
    EXPECT_EQ(rig.udp.ports[0], 5000);
    EXPECT_EQ(rig.log.lines, std::vector<std::string>{"@ 查询工作模式"});
}

} // namespace
} // namespace lumiq::test
