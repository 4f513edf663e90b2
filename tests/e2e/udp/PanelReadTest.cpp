// Selecting a module reads all of it into the panel, frame by frame in the
// chain's order and pace; a single query reads one parameter and stops.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>

#include "tests/e2e/udp/UdpBed.h"

namespace lumiq::test {
namespace {

using testbed::FrameRecord;
using testbed::SimLanOptions;

// Every panel field differs from what the window starts with; the name is
// Chinese, held and sent by the module as GBK.
constexpr const char* kWorkshopModule = R"(
[module]
mac = 00:1a:2b:3c:4d:5e
ip = 10.77.1.7
model = 3
gateway = 10.77.0.254
mask = 255.255.252.0
dip = 10.77.0.1
port = 8123
dport = 9456
dchp = 1
name = 车间一号机
uart = 115200,9,3,2
version = V3.1.7
)";

TEST(PanelRead, SelectingAModuleReadsEveryParameterIntoThePanelAtTheChainsPace) {
    ModuleFile file(kWorkshopModule);
    UdpBed bed(SimLanOptions{.modules = 1, .moduleFile = file.path()});
    ASSERT_EQ(bed.tool.state().LocalIpText, bed.lan.hostAddress());
    ASSERT_TRUE(bed.search(2));
    bed.sim().clearLog();

    const double clickedMs = MonotonicMs();
    ASSERT_TRUE(bed.selectAndRead(0));
    ExpectPanelShows(bed.tool, bed.sim().params(0));
    EXPECT_EQ(bed.tool->Edt_Name->text(), QStringLiteral("车间一号机"));
    EXPECT_EQ(bed.tool.logCount(QStringLiteral("版本号为： V3.1.7")), 1);

    // Thirteen queries in the chain's order, each to this module alone, the
    // first 30 ms after the click and each later one 30 ms after the reply
    // before it.
    const std::vector<std::string> commands{
        "AT",         "AT+MODEL=?", "AT+GATEWAY=?", "AT+MASK=?", "AT+IP=?",  "AT+DIP=?", "AT+PORT=?",
        "AT+DPORT=?", "AT+DCHP=?",  "AT+NAME=?",    "AT+UART=?", "AT+MAC=?", "AT+VER=?"};
    const std::vector<FrameRecord> frames = bed.sim().frames();
    ASSERT_EQ(frames.size(), 2 * commands.size());
    double previousReplyMs = clickedMs;
    for (std::size_t i = 0; i < commands.size(); ++i) {
        const FrameRecord& query = frames[2 * i];
        const FrameRecord& reply = frames[2 * i + 1];
        ASSERT_TRUE(query.received && !reply.received) << i;
        EXPECT_EQ(query.bytes, UdpFrame("00:1a:2b:3c:4d:5e", commands[i], bed.hostMac()));
        EXPECT_EQ(query.modules, std::vector<int>{0});
        EXPECT_GE(query.timeMs - previousReplyMs, 30.0) << commands[i];
        EXPECT_LT(query.timeMs - previousReplyMs, 2000.0) << commands[i];
        previousReplyMs = reply.timeMs;
    }
    // The chain is over: nothing more goes out.
    ToolWindow::idle(400);
    EXPECT_EQ(bed.sim().received().size(), commands.size());

    // Another selection replaces every field with the other module's values.
    ASSERT_TRUE(bed.selectAndRead(1));
    ExpectPanelShows(bed.tool, bed.sim().params(1));
    EXPECT_TRUE(bed.tool.messages.empty());
}

TEST(PanelRead, ASingleQueryReadsOneParameterAndStops) {
    UdpBed bed(SimLanOptions{.modules = 2});
    ASSERT_TRUE(bed.search(2));
    ASSERT_TRUE(bed.selectAndRead(1));
    const std::string mac = bed.sim().params(1).at("MAC");
    bed.sim().set(1, "PORT", "8200");
    bed.sim().set(1, "DPORT", "9200");
    bed.sim().clearLog();
    const QString caption = QStringLiteral("查询模块端口");
    const int captions = bed.tool.logCount(caption);

    const double clickedMs = MonotonicMs();
    ASSERT_TRUE(bed.clickAndWaitLog(bed.tool->But_PortCheck, QStringLiteral("          查询模块端口成功")));
    EXPECT_EQ(bed.tool->Edt_Port->text(), QStringLiteral("8200"));
    // Only the port was asked for; the destination port still shows the old value.
    EXPECT_EQ(bed.tool->Edt_DPort->text(), QStringLiteral("9001"));
    ToolWindow::idle(400);
    const auto frames = bed.sim().received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, UdpFrame(mac, "AT+PORT=?", bed.hostMac()));
    EXPECT_GE(frames[0].timeMs - clickedMs, 50.0);
    EXPECT_EQ(bed.tool.logCount(caption), captions + 1);
    EXPECT_TRUE(bed.tool.messages.empty());
}

} // namespace
} // namespace lumiq::test
