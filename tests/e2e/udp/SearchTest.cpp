// A search finds every module on the LAN, however it answers, and warns
// about modules that share a MAC or an IP address without dropping them.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QListWidget>
#include <algorithm>

#include "state/ModuleRegistry.h"
#include "tests/e2e/udp/UdpBed.h"

namespace lumiq::test {
namespace {

using testbed::SimLanOptions;

std::vector<std::string> ListLines(ToolWindow& tool) {
    std::vector<std::string> lines;
    for (int i = 0; i < tool->ListBoxIP->count(); ++i)
        lines.push_back(tool->ListBoxIP->item(i)->text().toStdString());
    return lines;
}

// A module set up for another network: only its broadcast reply can reach
// the tool.
constexpr const char* kStrayModule = R"(
[module]
ip = 192.168.5.7
reply = broadcast
)";

TEST(Search, ListsEveryModuleWhetherItRepliesByUnicastOrBroadcast) {
    constexpr int kModules = 6;
    ModuleFile file(kStrayModule);
    UdpBed bed(SimLanOptions{.modules = kModules - 1, .moduleFile = file.path()});
    std::vector<std::string> expected{"192.168.5.7:" + bed.sim().params(0).at("MAC")};
    for (int i = 1; i < kModules; ++i) {
        if (i % 2 == 1)
            bed.sim().replyByBroadcast(i, true);
        expected.push_back(bed.lan.moduleAddress(i) + ":" + bed.sim().params(i).at("MAC"));
    }

    ASSERT_TRUE(bed.search(kModules)) << "listed " << bed.tool->ListBoxIP->count();
    // One broadcast, taken by every module, carrying the host adapter's MAC.
    const auto frames = bed.sim().received();
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].bytes, UdpFrame("00:00:00:00:00:00", "AT", bed.hostMac()));
    EXPECT_EQ(frames[0].modules.size(), static_cast<std::size_t>(kModules));

    // Lines come in arrival order, each the text of the registry entry behind it.
    std::vector<std::string> lines = ListLines(bed.tool);
    for (int i = 0; i < kModules; ++i)
        EXPECT_EQ(lines[static_cast<std::size_t>(i)], EntryText(bed.tool.state(), i));
    std::sort(lines.begin(), lines.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(lines, expected);

    // Modules that answer by broadcast, from this network or another, and
    // one that answers by unicast can all be read in full.
    for (const int module : {0, 1, 2}) {
        const std::string address = module == 0 ? "192.168.5.7" : bed.lan.moduleAddress(module);
        const std::string line = address + ":" + bed.sim().params(module).at("MAC");
        const auto listed = ListLines(bed.tool);
        const auto row = std::find(listed.begin(), listed.end(), line) - listed.begin();
        ASSERT_LT(row, kModules);
        ASSERT_TRUE(bed.selectAndRead(static_cast<int>(row))) << "module " << module;
        EXPECT_EQ(bed.tool->Edt_Port->text().toStdString(), bed.sim().params(module).at("PORT"));
    }
    EXPECT_TRUE(bed.tool.messages.empty());
}

// Modules sharing addresses, in the order they answer: a twin of the first
// (same MAC and IP), one with its MAC, one with its IP, and one whose MAC
// differs from the first only in letter case.
constexpr const char* kSharedAddresses = R"(
[module]
mac = 00:1a:2b:3c:4d:5e
ip = 10.77.1.7
[module]
mac = 00:1a:2b:3c:4d:5e
ip = 10.77.1.7
[module]
mac = 00:1a:2b:3c:4d:5e
ip = 10.77.1.8
[module]
mac = 00:1a:2b:3c:4d:77
ip = 10.77.1.7
[module]
mac = 00:1A:2B:3C:4D:5E
ip = 10.77.1.9
)";

TEST(Search, WarnsAboutSharedAddressesOncePerMatchAndStillListsEveryReply) {
    ModuleFile file(kSharedAddresses);
    UdpBed bed(SimLanOptions{.modules = 0, .moduleFile = file.path()});

    ASSERT_TRUE(bed.search(5));
    EXPECT_EQ(ListLines(bed.tool), (std::vector<std::string>{
                                       "10.77.1.7:00:1a:2b:3c:4d:5e",
                                       "10.77.1.7:00:1a:2b:3c:4d:5e",
                                       "10.77.1.8:00:1a:2b:3c:4d:5e",
                                       "10.77.1.7:00:1a:2b:3c:4d:77",
                                       "10.77.1.9:00:1A:2B:3C:4D:5E",
                                   }));

    const std::string w1 = "两个或以上的模块MAC地址、IP地址相同，MAC地址为：00:1a:2b:3c:4d:5e，IP地址为：10."
                           "77.1.7，请通过串口功能设置";
    const std::string w2 = "两模块的MAC地址相同，MAC地址为：00:1a:2b:3c:4d:5e，IP地址分别为：10.77.1.7      "
                           "10.77.1.8，请通过串口功能设置";
    const std::string w3 =
        "两模块的IP地址相同，IP地址为：10.77.1.7，MAC地址分别为：00:1a:2b:3c:4d:5e      00:1a:2b:3c:4d:77";
    // The third module matches both earlier ones by MAC, the fourth both by IP.
    EXPECT_EQ(bed.tool.messageTexts(), (std::vector<std::string>{w1, w2, w2, w3, w3}));
    for (const MessageRequest& m : bed.tool.messages) {
        EXPECT_EQ(m.caption, "提示");
        EXPECT_EQ(m.buttons, MessageButtons::OkCancel);
    }
}

} // namespace
} // namespace lumiq::test
