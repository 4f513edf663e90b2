// Reading and writing every parameter over the serial link: bare frames, the
// serial pace of the engine, and the re-setup of the tool's own port after
// the module's UART changed.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

#include <map>
#include <string>
#include <vector>

#include "base/GbkText.h"
#include "serial/ComPort.h"
#include "tests/e2e/serial/SerialRig.h"

namespace lumiq::test {
namespace {

using testbed::FrameRecord;

// Lower bounds of time are taken from the window's own ticks, stamped before
// their handlers send or read. The simulator's stamps, taken when it has read
// a frame, may lag under load; they serve for the order of events and for
// the gap from a tick to a later frame, which a lag only lengthens.

std::vector<std::string> BytesOf(const std::vector<FrameRecord>& frames) {
    std::vector<std::string> bytes;
    for (const FrameRecord& f : frames)
        bytes.push_back(f.bytes);
    return bytes;
}

std::vector<FrameRecord> Sent(const std::vector<FrameRecord>& frames) {
    std::vector<FrameRecord> sent;
    for (const FrameRecord& f : frames)
        if (!f.received)
            sent.push_back(f);
    return sent;
}

std::vector<FrameRecord> Received(const std::vector<FrameRecord>& frames) {
    std::vector<FrameRecord> received;
    for (const FrameRecord& f : frames)
        if (f.received)
            received.push_back(f);
    return received;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

TEST(SerialReadAll, EveryParameterArrivesInChainOrderAtTheSerialPace) {
    SerialRig rig;
    auto& module = rig.sim.control();
    module.set(0, "MODEL", "2");
    module.set(0, "GATEWAY", "192.168.7.1");
    module.set(0, "MASK", "255.255.254.0");
    module.set(0, "IP", "192.168.7.50");
    module.set(0, "DIP", "192.168.7.9");
    module.set(0, "PORT", "4001");
    module.set(0, "DPORT", "5002");
    module.set(0, "DCHP", "1");
    module.set(0, "NAME", "二号机");
    module.set(0, "UART", "57600,8,3,2");
    rig.switchToModulePort();
    rig.tool.messages.clear();
    rig.clearFrames();
    rig.clearTicks();

    const double clicked = MonotonicMs();
    ToolWindow::click(rig.tool->But_Read);
    ASSERT_TRUE(rig.tool.waitForLog(QStringLiteral("版本号为： V2.0"), 1, 60000));
    const double done = MonotonicMs();

    const std::vector<FrameRecord> frames = rig.allFrames();
    const std::vector<FrameRecord> commands = Received(frames);
    const std::vector<FrameRecord> replies = Sent(frames);
    ASSERT_EQ(BytesOf(commands),
              (std::vector<std::string>{"AT\r\n", "AT+MODEL=?\r\n", "AT+GATEWAY=?\r\n", "AT+MASK=?\r\n",
                                        "AT+IP=?\r\n", "AT+DIP=?\r\n", "AT+PORT=?\r\n", "AT+DPORT=?\r\n",
                                        "AT+DCHP=?\r\n", "AT+NAME=?\r\n", "AT+UART=?\r\n", "AT+MAC=?\r\n",
                                        "AT+VER=?\r\n"}));
    ASSERT_EQ(replies.size(), 13u);
    ASSERT_EQ(rig.sendTicks.size(), 13u);
    ASSERT_EQ(rig.receiveTicks.size(), 13u);
    EXPECT_GE(rig.sendTicks[0] - clicked, 30);
    for (std::size_t i = 0; i < commands.size(); ++i) {
        SCOPED_TRACE(commands[i].bytes);
        // The sender's tick, the command at the module, its reply, the read.
        EXPECT_LE(rig.sendTicks[i], commands[i].timeMs);
        EXPECT_LE(commands[i].timeMs, replies[i].timeMs);
        EXPECT_LE(replies[i].timeMs, rig.receiveTicks[i]);
        // A 300 ms receive window after each send, then 150 ms to the next.
        EXPECT_GE(rig.receiveTicks[i] - rig.sendTicks[i], 300);
        if (i + 1 < commands.size()) {
            EXPECT_GE(rig.sendTicks[i + 1] - rig.receiveTicks[i], 150);
        }
    }
    EXPECT_LT(done - clicked, 4 * 13 * 450); // loosely: no step waited for anything else

    const auto held = module.params(0);
    EXPECT_EQ(rig.tool->Cmb_Model->currentIndex(), 2);
    EXPECT_EQ(Text(rig.tool->Edt_GATEWAY), held.at("GATEWAY"));
    EXPECT_EQ(Text(rig.tool->Edt_MASK), held.at("MASK"));
    EXPECT_EQ(Text(rig.tool->Edt_IP), held.at("IP"));
    EXPECT_EQ(Text(rig.tool->Edt_DIP), held.at("DIP"));
    EXPECT_EQ(Text(rig.tool->Edt_Port), held.at("PORT"));
    EXPECT_EQ(Text(rig.tool->Edt_DPort), held.at("DPORT"));
    EXPECT_EQ(rig.tool->DCHP_Model->currentIndex(), 1);
    EXPECT_EQ(Text(rig.tool->Edt_Name), GbkToUtf8(held.at("NAME")));
    EXPECT_EQ(rig.tool->Cmb_Baud->currentText().toStdString() + ",8,3,2", held.at("UART"));
    EXPECT_EQ(rig.tool->Cmb_DataBit->currentText(), QStringLiteral("8"));
    EXPECT_EQ(rig.tool->Cmb_StopBit->currentIndex(), 3);
    EXPECT_EQ(rig.tool->Cmb_Parity->currentIndex(), 2);
    EXPECT_EQ(Text(rig.tool->Edt_MAC), held.at("MAC"));
    EXPECT_EQ(Text(rig.tool->LaVersion), held.at("VER"));
    EXPECT_TRUE(rig.tool.messages.empty());
}

TEST(SerialWriteAll, EverySetGoesOutBareAndTheUartChangeMakesTheOperatorFollow) {
    SerialRig rig;
    rig.switchToModulePort("9600");
    rig.tool.messages.clear();
    rig.clearFrames();
    rig.clearTicks();
    auto& tool = rig.tool;
    tool->Cmb_Model->setCurrentIndex(3);
    tool->Edt_GATEWAY->setText("172.16.0.1");
    tool->Edt_MASK->setText("255.255.0.0");
    tool->Edt_IP->setText("172.16.5.5");
    tool->Edt_DIP->setText("172.16.5.9");
    tool->Edt_Port->setText("4001");
    tool->Edt_DPort->setText("4002");
    tool->DCHP_Model->setCurrentIndex(1);
    tool->Edt_Name->setText(QStringLiteral("二号机"));
    tool->Cmb_Baud->setCurrentText("115200");
    tool->Cmb_DataBit->setCurrentText("8");
    tool->Cmb_StopBit->setCurrentIndex(1);
    tool->Cmb_Parity->setCurrentIndex(2);
    tool->Edt_MAC->setText("02:4c:51:aa:bb:cc");

    // The re-setup: a rate other than the module's new one is refused, the
    // matching one ends the loop. While the dialog is up the port is closed.
    std::vector<bool> openWhileAsked;
    rig.dialog.plan({"", "57600"});
    rig.dialog.plan({"", "115200"});
    rig.tool.answer = [&](const MessageRequest&) {
        openWhileAsked.push_back(tool->ComPort->Connected());
        return MessageAnswer::Ok;
    };

    const double clicked = MonotonicMs();
    ToolWindow::click(tool->But_OneKey);
    ASSERT_TRUE(tool.waitForLog(QStringLiteral("          设置模块MAC地址成功"), 1, 60000));

    const std::string name = Utf8ToGbk("二号机");
    const std::vector<FrameRecord> frames = rig.allFrames();
    const std::vector<FrameRecord> sends = Received(frames);
    EXPECT_EQ(BytesOf(sends), (std::vector<std::string>{
                                  "AT+MODEL=3\r\n", "AT+GATEWAY=172.16.0.1\r\n", "AT+MASK=255.255.0.0\r\n",
                                  "AT+IP=172.16.5.5\r\n", "AT+DIP=172.16.5.9\r\n", "AT+PORT=4001\r\n",
                                  "AT+DPORT=4002\r\n", "AT+DCHP=1\r\n", "AT+NAME=" + name + "\r\n",
                                  "AT+UART=115200,8,1,2\r\n", "AT+MAC=02:4c:51:aa:bb:cc\r\n"}));
    const auto held = rig.sim.control().params(0);
    EXPECT_EQ(held.at("MODEL"), "3");
    EXPECT_EQ(held.at("IP"), "172.16.5.5");
    EXPECT_EQ(held.at("DCHP"), "1");
    EXPECT_EQ(held.at("NAME"), name);
    EXPECT_EQ(held.at("UART"), "115200,8,1,2");
    EXPECT_EQ(held.at("MAC"), "02:4c:51:aa:bb:cc");
    EXPECT_EQ(tool.logCount(QStringLiteral("          设置模块串口参数成功")), 1);

    // The loop: the log line, the dialog with the port closed, the refusal,
    // the dialog again, then the port reopened at the module's rate.
    EXPECT_EQ(tool.logCount(QStringLiteral("          请重新设置软件的串口参数！")), 1);
    EXPECT_EQ(rig.dialog.shown(), 3); // the switch, then two in the loop
    EXPECT_TRUE(rig.dialog.planUsedUp());
    ASSERT_EQ(tool.messages.size(), 1u);
    EXPECT_EQ(tool.messages[0].text, "请重新选择波特率！");
    EXPECT_EQ(tool.messages[0].caption, "提示");
    EXPECT_EQ(tool.messages[0].icon, MessageIcon::Stop);
    EXPECT_EQ(tool.messages[0].buttons, MessageButtons::Ok);
    EXPECT_EQ(openWhileAsked, std::vector<bool>{false});
    EXPECT_TRUE(tool->ComPort->Connected());
    EXPECT_EQ(tool->ComPort->BaudRate(), br115200);

    // Each set is read 300 ms after it went out (the MAC set 1800 ms), and
    // the chain pauses 300 ms after each confirmed step.
    ASSERT_EQ(sends.size(), 11u);
    ASSERT_EQ(rig.receiveTicks.size(), 11u);
    EXPECT_GE(rig.receiveTicks[0] - clicked, 300);
    // The long window is the one after the MAC set, not the pause before it
    // (the simulator's stamp may lag, hence only "well beyond 300 ms").
    EXPECT_GE(rig.receiveTicks[10] - sends[10].timeMs, 1000);
    for (std::size_t i = 0; i < sends.size(); ++i) {
        SCOPED_TRACE(sends[i].bytes);
        EXPECT_LE(sends[i].timeMs, rig.receiveTicks[i]);
        if (i + 1 < sends.size()) {
            EXPECT_GE(sends[i + 1].timeMs - rig.receiveTicks[i], 300);
            EXPECT_GE(rig.receiveTicks[i + 1] - rig.receiveTicks[i], 300 + (i + 1 == 10 ? 1800 : 300));
        }
    }
    EXPECT_EQ(tool.state().OneKeyWrite, 0);
}

} // namespace
} // namespace lumiq::test
