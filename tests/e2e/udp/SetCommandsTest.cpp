// The set buttons, one by one and chained by 一键写入, and the factory
// default: the exact datagram each one broadcasts, and the module it changed.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <functional>

#include "base/GbkText.h"
#include "tests/e2e/udp/UdpBed.h"

namespace lumiq::test {
namespace {

using testbed::FrameRecord;
using testbed::SimLanOptions;

struct SetCase {
    QPushButton* TFrmMain::*button;
    std::function<void(TFrmMain&)> fill; // puts the new value into the panel
    std::string command;                 // the line the module must receive (GBK)
    std::string key;                     // the module's parameter
    std::string value;                   // as the module then holds it
    QString success;                     // the log line of its "OK"
};

// In the order of the write-all chain; each value differs from what the
// generated modules hold.
std::vector<SetCase> SetCases(const std::string& newMac) {
    const std::string name = Utf8ToGbk("包装线二号");
    return {
        {&TFrmMain::But_Model, [](TFrmMain& w) { w.Cmb_Model->setCurrentIndex(3); }, "AT+MODEL=3", "MODEL",
         "3", QStringLiteral("          设置工作模式成功")},
        {&TFrmMain::But_GATEWAY, [](TFrmMain& w) { w.Edt_GATEWAY->setText("10.77.0.254"); },
         "AT+GATEWAY=10.77.0.254", "GATEWAY", "10.77.0.254", QStringLiteral("          设置网关IP成功")},
        {&TFrmMain::But_MASK, [](TFrmMain& w) { w.Edt_MASK->setText("255.255.255.0"); },
         "AT+MASK=255.255.255.0", "MASK", "255.255.255.0", QStringLiteral("          设置子网掩码成功")},
        {&TFrmMain::But_IP, [](TFrmMain& w) { w.Edt_IP->setText("10.77.9.9"); }, "AT+IP=10.77.9.9", "IP",
         "10.77.9.9", QStringLiteral("          设置模块IP成功")},
        {&TFrmMain::But_DIP, [](TFrmMain& w) { w.Edt_DIP->setText("10.77.0.1"); }, "AT+DIP=10.77.0.1", "DIP",
         "10.77.0.1", QStringLiteral("          设置模块目的IP成功")},
        {&TFrmMain::But_Port, [](TFrmMain& w) { w.Edt_Port->setText("8123"); }, "AT+PORT=8123", "PORT",
         "8123", QStringLiteral("          设置模块端口成功")},
        {&TFrmMain::But_DPort, [](TFrmMain& w) { w.Edt_DPort->setText("9456"); }, "AT+DPORT=9456", "DPORT",
         "9456", QStringLiteral("          设置模块目的端口成功")},
        {&TFrmMain::But_SetDCHP, [](TFrmMain& w) { w.DCHP_Model->setCurrentIndex(1); }, "AT+DCHP=1", "DCHP",
         "1", QStringLiteral("          设置DCHP模式成功")},
        {&TFrmMain::But_SetName, [](TFrmMain& w) { w.Edt_Name->setText(QStringLiteral("包装线二号")); },
         "AT+NAME=" + name, "NAME", name, QStringLiteral("          设置模块设备名称成功")},
        {&TFrmMain::But_SetUART,
         [](TFrmMain& w) {
             w.Cmb_Baud->setCurrentText("115200");
             w.Cmb_DataBit->setCurrentIndex(1);
             w.Cmb_StopBit->setCurrentIndex(3);
             w.Cmb_Parity->setCurrentIndex(2);
         },
         "AT+UART=115200,9,3,2", "UART", "115200,9,3,2", QStringLiteral("          设置模块串口参数成功")},
        {&TFrmMain::But_SetMAC, [newMac](TFrmMain& w) { w.Edt_MAC->setText(QString::fromStdString(newMac)); },
         "AT+MAC=" + newMac, "MAC", newMac, QStringLiteral("          设置模块MAC地址成功")},
    };
}

TEST(SetCommands, EachSetButtonBroadcastsItsExactFrameAndTheModuleTakesTheValue) {
    UdpBed bed(SimLanOptions{.modules = 2});
    ASSERT_TRUE(bed.search(2));
    ASSERT_TRUE(bed.selectAndRead(1));
    const std::string oldMac = bed.sim().params(1).at("MAC");
    const std::string newMac = "02:4c:51:aa:bb:cc";

    for (const SetCase& c : SetCases(newMac)) {
        SCOPED_TRACE(c.command);
        bed.sim().clearLog();
        c.fill(bed.tool.window());
        ASSERT_TRUE(bed.clickAndWaitLog(bed.tool.window().*c.button, c.success));
        const auto frames = bed.sim().received();
        ASSERT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames[0].bytes, UdpFrame(oldMac, c.command, bed.hostMac()));
        EXPECT_EQ(frames[0].modules, std::vector<int>{1});
        EXPECT_EQ(bed.sim().params(1).at(c.key), c.value);
    }
    // The other module heard every frame and took none.
    EXPECT_EQ(bed.sim().params(0).at("PORT"), "8000");

    // The new MAC is listed and addresses every later frame.
    EXPECT_EQ(bed.tool->ListBoxIP->item(1)->text().toStdString(), bed.lan.moduleAddress(1) + ":" + newMac);
    bed.sim().clearLog();
    bed.tool->Edt_MAC->clear();
    ASSERT_TRUE(bed.clickAndWaitLog(bed.tool->But_MACCheck, QStringLiteral("          查询模块MAC地址成功")));
    EXPECT_EQ(bed.tool->Edt_MAC->text().toStdString(), newMac);
    ASSERT_FALSE(bed.sim().received().empty());
    EXPECT_EQ(bed.sim().received()[0].bytes, UdpFrame(newMac, "AT+MAC=?", bed.hostMac()));
    EXPECT_TRUE(bed.tool.messages.empty());
}

TEST(SetCommands, OneKeyWriteSendsTheElevenSetFramesInOrderWithPausesBetween) {
    UdpBed bed(SimLanOptions{.modules = 1});
    ASSERT_TRUE(bed.search(1));
    ASSERT_TRUE(bed.selectAndRead(0));
    const std::string oldMac = bed.sim().params(0).at("MAC");
    const auto cases = SetCases("02:4c:51:aa:bb:01");
    for (const SetCase& c : cases)
        c.fill(bed.tool.window());
    bed.sim().clearLog();

    ASSERT_TRUE(bed.clickAndWaitLog(bed.tool->But_OneKey, cases.back().success));
    const std::vector<FrameRecord> frames = bed.sim().frames();
    ASSERT_EQ(frames.size(), 2 * cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(cases[i].command);
        const FrameRecord& set = frames[2 * i];
        ASSERT_TRUE(set.received && !frames[2 * i + 1].received);
        EXPECT_EQ(set.bytes, UdpFrame(oldMac, cases[i].command, bed.hostMac()));
        EXPECT_EQ(bed.tool.logCount(cases[i].success), 1);
        if (i == 0)
            continue;
        // The window blocks 300 ms after each "OK" before the next frame.
        const double pause = set.timeMs - frames[2 * i - 1].timeMs;
        EXPECT_GE(pause, 300.0);
        EXPECT_LT(pause, 2300.0);
    }
    // Nothing follows the MAC set, and the module now holds the panel.
    ToolWindow::idle(400);
    EXPECT_EQ(bed.sim().received().size(), cases.size());
    ExpectPanelShows(bed.tool, bed.sim().params(0));
    EXPECT_TRUE(bed.tool.messages.empty());
}

TEST(SetCommands, FactoryDefaultRestoresTheModuleAndReadsItBackTwoSecondsLater) {
    UdpBed bed(SimLanOptions{.modules = 1});
    ASSERT_TRUE(bed.search(1));
    ASSERT_TRUE(bed.selectAndRead(0));
    const std::string mac = bed.sim().params(0).at("MAC");
    bed.sim().set(0, "PORT", "1234");
    bed.sim().set(0, "NAME", "改过的名字");
    bed.sim().clearLog();
    const QString versionRead = QStringLiteral("          读取版本号成功");
    const int reads = bed.tool.logCount(versionRead);

    ASSERT_TRUE(
        bed.clickAndWaitLog(bed.tool->But_Default, QStringLiteral("          恢复出厂设置命令响应成功")));
    ASSERT_TRUE(bed.tool.waitForLog(versionRead, reads + 1));
    EXPECT_EQ(bed.sim().params(0).at("PORT"), "8000");
    EXPECT_EQ(bed.sim().params(0).at("NAME"), "LUMIQ-001");
    ExpectPanelShows(bed.tool, bed.sim().params(0));

    const std::vector<FrameRecord> frames = bed.sim().frames();
    ASSERT_EQ(frames.size(), 2u * 14u); // the default, then the thirteen frames of the read-back
    EXPECT_EQ(frames[0].bytes, UdpFrame(mac, "AT+DEFAULT", bed.hostMac()));
    EXPECT_EQ(frames[2].bytes, UdpFrame(mac, "AT", bed.hostMac()));
    const double wait = frames[2].timeMs - frames[1].timeMs;
    EXPECT_GE(wait, 2000.0);
    EXPECT_LT(wait, 4000.0);
    EXPECT_TRUE(bed.tool.messages.empty());
}

} // namespace
} // namespace lumiq::test
