#include <gtest/gtest.h>

#include <vector>

#include "state/AddressText.h"
#include "state/ModuleRegistry.h"
#include "state/ToolState.h"

namespace lumiq {
namespace {

const std::string kMacA = "00:1A:2B:3C:4D:5E";
const std::string kMacB = "00:1A:2B:3C:4D:5F";
const std::string kMacC = "00:1A:2B:3C:4D:60";

std::uint32_t Ip(const char* dotted) {
    return ParseIp(dotted);
}

std::string W1(const std::string& mac, const std::string& ip) {
    return "两个或以上的模块MAC地址、IP地址相同，MAC地址为：" + mac + "，IP地址为：" + ip +
           "，请通过串口功能设置";
}
std::string W2(const std::string& mac, const std::string& oldIp, const std::string& newIp) {
    return "两模块的MAC地址相同，MAC地址为：" + mac + "，IP地址分别为：" + oldIp + "      " + newIp +
           "，请通过串口功能设置";
}
std::string W3(const std::string& ip, const std::string& oldMac, const std::string& newMac) {
    return "两模块的IP地址相同，IP地址为：" + ip + "，MAC地址分别为：" + oldMac + "      " + newMac;
}

class ModuleRegistryTest : public ::testing::Test {
protected:
    ToolState state;
    std::vector<std::string> warnings;
    DuplicateWarning record = [this](const std::string& text) { warnings.push_back(text); };

    std::string Add(const char* ip, const std::string& mac, std::uint16_t port = 5000) {
        return AddModule(state, Ip(ip), port, mac, record);
    }
};

TEST_F(ModuleRegistryTest, DistinctModulesAreListedInArrivalOrderWithoutWarning) {
    EXPECT_EQ(Add("192.168.0.7", kMacA, 5001), "192.168.0.7:" + kMacA);
    EXPECT_EQ(Add("192.168.0.9", kMacB, 5002), "192.168.0.9:" + kMacB);
    EXPECT_TRUE(warnings.empty());
    ASSERT_EQ(state.ModuleCount, 2);
    EXPECT_EQ(state.ModuleIp[1], Ip("192.168.0.9"));
    EXPECT_EQ(state.ModulePort[1], 5002);
    EXPECT_EQ(EntryText(state, 0), "192.168.0.7:" + kMacA);
    EXPECT_EQ(EntryText(state, 1), "192.168.0.9:" + kMacB);
}

struct DuplicateCase {
    const char* what;
    const char* ip;
    std::string mac;
    std::string warning; // empty: none
};

TEST_F(ModuleRegistryTest, DuplicatesAreWarnedAboutAndStillEntered) {
    const DuplicateCase cases[] = {
        {"same MAC and IP", "192.168.0.7", kMacA, W1(kMacA, "192.168.0.7")},
        {"same MAC", "192.168.0.8", kMacA, W2(kMacA, "192.168.0.7", "192.168.0.8")},
        {"same IP", "192.168.0.7", kMacC, W3("192.168.0.7", kMacA, kMacC)},
        {"MAC differing only in letter case", "192.168.0.8", "00:1a:2b:3c:4d:5e", ""},
    };
    for (const DuplicateCase& c : cases) {
        ToolState fresh;
        state = fresh;
        warnings.clear();
        Add("192.168.0.7", kMacA);
        EXPECT_EQ(Add(c.ip, c.mac), std::string(c.ip) + ":" + c.mac) << c.what;
        EXPECT_EQ(state.ModuleCount, 2) << c.what;
        if (c.warning.empty())
            EXPECT_TRUE(warnings.empty()) << c.what;
        else
            EXPECT_EQ(warnings, std::vector<std::string>{c.warning}) << c.what;
    }
}

TEST_F(ModuleRegistryTest, OneReplyIsComparedWithEveryEntryInOrder) {
    Add("192.168.0.7", kMacA);
    Add("192.168.0.8", kMacB);
    Add("192.168.0.9", kMacA); // W2 against entry 0
    warnings.clear();
    Add("192.168.0.8", kMacA);
    EXPECT_EQ(warnings, (std::vector<std::string>{W2(kMacA, "192.168.0.7", "192.168.0.8"),
                                                  W3("192.168.0.8", kMacB, kMacA),
                                                  W2(kMacA, "192.168.0.9", "192.168.0.8")}));
    EXPECT_EQ(state.ModuleCount, 4);
}

TEST_F(ModuleRegistryTest, WarningsShowTheMacBytesAsGbk) {
    Add("10.0.0.1", "\xC9\xE8");
    EXPECT_EQ(EntryText(state, 0), "10.0.0.1:设");
    Add("10.0.0.1", "\xC9\xE8");
    EXPECT_EQ(warnings, std::vector<std::string>{W1("设", "10.0.0.1")});
}

TEST_F(ModuleRegistryTest, AFullRegistryComparesButStoresNothing) {
    for (int i = 0; i < kRegistrySize; ++i) {
        const std::string ip = "10.0." + std::to_string(i / 256) + "." + std::to_string(i % 256);
        ASSERT_FALSE(AddModule(state, Ip(ip.c_str()), 5000, "mac" + std::to_string(i), record).empty());
    }
    ASSERT_TRUE(warnings.empty());
    ASSERT_EQ(state.ModuleCount, kRegistrySize);

    EXPECT_EQ(Add("10.1.0.1", "new"), "");
    EXPECT_EQ(Add("10.0.0.5", "mac5"), "");
    EXPECT_EQ(warnings, std::vector<std::string>{W1("mac5", "10.0.0.5")});
    EXPECT_EQ(state.ModuleCount, kRegistrySize);
    EXPECT_EQ(EntryText(state, kRegistrySize - 1), "10.0.0.255:mac255");
}

TEST_F(ModuleRegistryTest, RepliesRegisteredDuringAWarningAreComparedToo) {
    Add("192.168.0.7", kMacA);
    // The first warning box's nested loop delivers two more replies; one of
    // them shares the IP of the reply being entered.
    bool nested = false;
    const DuplicateWarning reentering = [&](const std::string& text) {
        warnings.push_back(text);
        if (nested)
            return;
        nested = true;
        EXPECT_EQ(AddModule(state, Ip("192.168.0.20"), 1, kMacB, record), "192.168.0.20:" + kMacB);
        EXPECT_EQ(AddModule(state, Ip("192.168.0.8"), 2, kMacC, record), "192.168.0.8:" + kMacC);
    };
    EXPECT_EQ(AddModule(state, Ip("192.168.0.8"), 3, kMacA, reentering), "192.168.0.8:" + kMacA);

    EXPECT_EQ(warnings, (std::vector<std::string>{W2(kMacA, "192.168.0.7", "192.168.0.8"),
                                                  W3("192.168.0.8", kMacC, kMacA)}));
    ASSERT_EQ(state.ModuleCount, 4);
    EXPECT_EQ(EntryText(state, 1), "192.168.0.20:" + kMacB);
    EXPECT_EQ(EntryText(state, 2), "192.168.0.8:" + kMacC);
    EXPECT_EQ(EntryText(state, 3), "192.168.0.8:" + kMacA);
    EXPECT_EQ(state.ModulePort[3], 3);
}

TEST_F(ModuleRegistryTest, ARegistryFilledDuringAWarningStaysInBounds) {
    for (int i = 0; i < kRegistrySize - 1; ++i)
        AddModule(state, Ip(("10.0.0." + std::to_string(i)).c_str()), 0, "m" + std::to_string(i), nullptr);
    ASSERT_EQ(state.ModuleCount, kRegistrySize - 1);
    const DuplicateWarning fillLastSlot = [&](const std::string&) {
        if (state.ModuleCount < kRegistrySize)
            AddModule(state, Ip("10.9.9.9"), 7, "last", nullptr);
    };
    EXPECT_EQ(AddModule(state, Ip("10.0.0.3"), 8, "m3", fillLastSlot), "");
    EXPECT_EQ(state.ModuleCount, kRegistrySize);
    EXPECT_EQ(EntryText(state, kRegistrySize - 1), "10.9.9.9:last");
    EXPECT_EQ(state.ModulePort[kRegistrySize - 1], 7);
}

TEST_F(ModuleRegistryTest, ARegistryEmptiedDuringAWarningTakesTheReplyAsItsFirst) {
    Add("192.168.0.7", kMacA);
    Add("192.168.0.9", kMacB);
    const DuplicateWarning newSearch = [&](const std::string&) { ClearModules(state); };
    EXPECT_EQ(AddModule(state, Ip("192.168.0.7"), 1, kMacA, newSearch), "192.168.0.7:" + kMacA);
    EXPECT_EQ(state.ModuleCount, 1);
}

TEST_F(ModuleRegistryTest, ClearingEmptiesEntriesButKeepsPorts) {
    Add("192.168.0.7", kMacA, 5001);
    state.SelectedModule = 0;
    ClearModules(state);
    EXPECT_EQ(state.ModuleCount, 0);
    EXPECT_EQ(state.SelectedModule, -1);
    for (int i = 0; i < kRegistrySize; ++i) {
        EXPECT_EQ(state.ModuleIp[i], 0u);
        EXPECT_EQ(state.ModuleMac[i], "0");
    }
    EXPECT_EQ(state.ModulePort[0], 5001);
    EXPECT_EQ(SelectedMac(state), "");
    EXPECT_EQ(EntryText(state, 0), "");
}

TEST_F(ModuleRegistryTest, SelectionGivesAndReplacesTheSelectedMac) {
    Add("192.168.0.7", kMacA);
    Add("192.168.0.9", kMacB);

    ReplaceSelectedMac(state, kMacC); // nothing selected: nothing changes
    EXPECT_EQ(EntryText(state, 0), "192.168.0.7:" + kMacA);
    EXPECT_EQ(EntryText(state, 1), "192.168.0.9:" + kMacB);

    state.SelectedModule = 1;
    EXPECT_EQ(SelectedMac(state), kMacB);
    ReplaceSelectedMac(state, kMacC);
    EXPECT_EQ(SelectedMac(state), kMacC);
    EXPECT_EQ(EntryText(state, 1), "192.168.0.9:" + kMacC);
    EXPECT_EQ(EntryText(state, 0), "192.168.0.7:" + kMacA);
}

} // namespace
} // namespace lumiq
