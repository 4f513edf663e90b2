// The 网卡 menu on a host with two adapters, a LAN of simulated modules
// behind each: a search goes out on the chosen adapters only, and each
// module is reached through the adapter it answered on.

#include <gtest/gtest.h>

#include <QAction>
#include <QListWidget>
#include <algorithm>
#include <map>

#include "tests/e2e/udp/UdpBed.h"

namespace lumiq::test {
namespace {

using testbed::FrameRecord;
using testbed::SimLan;
using testbed::SimLanOptions;

constexpr const char* kMacB = "02:4c:51:00:b0:01"; // unlike the generated MACs of LAN A

QAction* Item(ToolWindow& tool, const std::string& name) {
    QAction* item = tool->findChild<QAction*>(QString::fromStdString(name));
    EXPECT_NE(item, nullptr) << name;
    return item;
}

std::string AdapterItem(const SimLan& lan) {
    return "Adapter_" + lan.hostInterface() + "_" + lan.hostAddress();
}

// Each list line with its tooltip.
std::map<std::string, std::string> Lines(ToolWindow& tool) {
    std::map<std::string, std::string> lines;
    for (int i = 0; i < tool->ListBoxIP->count(); ++i) {
        const QListWidgetItem* line = tool->ListBoxIP->item(i);
        lines[line->text().toStdString()] = line->toolTip().toStdString();
    }
    return lines;
}

// The frames the LAN's modules received, each expected from the LAN's own
// adapter carrying that adapter's MAC text as the sender field.
std::vector<std::string> ReceivedThroughOwnAdapter(SimLan& lan, const std::string& targetMac) {
    std::vector<std::string> frames;
    for (const FrameRecord& frame : lan.control().received()) {
        EXPECT_EQ(frame.peer, lan.hostAddress() + ":5000");
        EXPECT_EQ(frame.bytes.rfind("<" + targetMac + ">,<" + lan.hostMac() + ">,", 0), 0u) << frame.bytes;
        frames.push_back(frame.bytes);
    }
    return frames;
}

// Waits until the LAN's modules have sent `count` replies since its log was
// cleared, then serves the window a moment so that they are all taken in.
void ExpectRepliesTakenIn(SimLan& lan, std::size_t count) {
    EXPECT_TRUE(ToolWindow::waitFor([&] {
        const auto frames = lan.control().frames();
        return static_cast<std::size_t>(std::count_if(
                   frames.begin(), frames.end(), [](const FrameRecord& f) { return !f.received; })) >= count;
    }));
    ToolWindow::idle(300);
}

TEST(AdapterMenu, SearchesChosenAdaptersReadsThroughTheAnsweringOneAndKeepsTheChoice) {
    SimLan lanA(SimLanOptions{.modules = 2});
    ModuleFile fileB(std::string("[module]\nmac = ") + kMacB + "\n");
    UdpBed bed(SimLanOptions{.modules = 0, .moduleFile = fileB.path(), .prefix = "10.78"});
    SimLan& lanB = bed.lan;
    const std::string lineB = lanB.moduleAddress(0) + ":" + kMacB;
    const std::string every = "00:00:00:00:00:00";
    EXPECT_TRUE(Item(bed.tool, "AdapterAuto")->isChecked());

    // 全部网卡: both broadcasts on each adapter; every module listed once
    // although it answered twice, with the adapter it answered on.
    ToolWindow::trigger(Item(bed.tool, "AdapterAll"));
    ASSERT_TRUE(bed.search(3));
    for (SimLan* lan : {&lanA, &lanB})
        EXPECT_EQ(ReceivedThroughOwnAdapter(*lan, every).size(), 2u) << lan->hostInterface();
    ExpectRepliesTakenIn(lanA, 4);
    ExpectRepliesTakenIn(lanB, 2);
    const std::string tipA = "网卡：" + lanA.hostInterface();
    EXPECT_EQ(Lines(bed.tool), (std::map<std::string, std::string>{
                                   {lanA.moduleAddress(0) + ":" + lanA.control().params(0).at("MAC"), tipA},
                                   {lanA.moduleAddress(1) + ":" + lanA.control().params(1).at("MAC"), tipA},
                                   {lineB, "网卡：" + lanB.hostInterface()},
                               }));
    EXPECT_TRUE(bed.tool.messages.empty());

    // LAN B's module is read through LAN B's adapter alone.
    lanA.control().clearLog();
    lanB.control().clearLog();
    const auto row = bed.tool->ListBoxIP->findItems(QString::fromStdString(lineB), Qt::MatchExactly);
    ASSERT_EQ(row.size(), 1);
    ASSERT_TRUE(bed.selectAndRead(bed.tool->ListBoxIP->row(row.front())));
    ExpectPanelShows(bed.tool, lanB.control().params(0));
    EXPECT_FALSE(ReceivedThroughOwnAdapter(lanB, kMacB).empty());
    EXPECT_TRUE(lanA.control().received().empty());

    // LAN B's adapter alone, kept over a restart: only its module, no tooltip.
    ToolWindow::trigger(Item(bed.tool, AdapterItem(lanB)));
    bed.tool.restart();
    EXPECT_TRUE(Item(bed.tool, AdapterItem(lanB))->isChecked());
    lanA.control().clearLog();
    lanB.control().clearLog();
    ASSERT_TRUE(bed.search(1));
    EXPECT_EQ(ReceivedThroughOwnAdapter(lanB, every).size(), 2u);
    ExpectRepliesTakenIn(lanB, 2);
    EXPECT_EQ(Lines(bed.tool), (std::map<std::string, std::string>{{lineB, ""}}));
    EXPECT_TRUE(lanA.control().received().empty());
}

} // namespace
} // namespace lumiq::test
