#include <gtest/gtest.h>

#include <net/if.h>

#include <cstdlib>
#include <string>

#include "net/MacOfIp.h"
#include "tests/support/Netns.h"

namespace lumiq {
namespace {

// Adapters are only ever made where they cannot touch the machine's own
// network: a namespace other than the machine's, or one with no adapter but
// loopback (and ours), which is what scripts/in-netns gives. The second test
// serves where the machine's namespace cannot be inspected.
bool SafeToMakeAdapters() {
    if (testbed::InPrivateNetns())
        return true;
    struct if_nameindex* names = if_nameindex();
    if (names == nullptr)
        return false;
    bool onlyOurs = true;
    for (const struct if_nameindex* i = names; i->if_index != 0; ++i) {
        const std::string name = i->if_name;
        if (name != "lo" && name != "lq0" && name != "lq1")
            onlyOurs = false;
    }
    if_freenameindex(names);
    return onlyOurs;
}

// An adapter of our own in the test's private network namespace (never the
// machine's). A dummy adapter when the kernel has the driver, else one end
// of a veth pair whose other end stays here too.
class OwnAdapter : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SafeToMakeAdapters()) << "run through scripts/in-netns";
        testbed::Run("ip link add lq0 type dummy 2>/dev/null || ip link add lq0 type veth peer name lq1");
        testbed::Run("ip link set lq0 address 02:1A:2B:3C:4D:5E");
        testbed::Run("ip addr add 10.99.0.1/24 dev lq0");
        testbed::Run("ip link set lq0 up");
    }
    void TearDown() override {
        if (SafeToMakeAdapters()) [[maybe_unused]]
            const int status = std::system("ip link del lq0 2>/dev/null"); // a clean-up that may find nothing
    }
};

TEST_F(OwnAdapter, OwnAddressGivesTheAdaptersHardwareAddressInLowerCase) {
    EXPECT_EQ(MacOfIp("10.99.0.1"), "02:1a:2b:3c:4d:5e");
}

TEST_F(OwnAdapter, OtherAddressesNeedACompleteNeighbourEntry) {
    testbed::Run("ip neigh replace 10.99.0.7 lladdr 02:aa:bb:cc:dd:ee dev lq0 nud permanent");
    testbed::Run("ip neigh replace 10.99.0.9 dev lq0 nud incomplete");
    EXPECT_EQ(MacOfIp("10.99.0.7"), "02:aa:bb:cc:dd:ee");
    EXPECT_EQ(MacOfIp("10.99.0.9"), "");   // still being resolved
    EXPECT_EQ(MacOfIp("10.99.0.200"), ""); // nobody holds it
}

TEST(MacOfIp, InvalidTextsAndLoopbackGiveNothing) {
    // Loopback has no hardware address: its all-zero one is not an answer.
    for (const char* text : {"", "abc", "1.2.3", "256.1.1.1", "1.2.3.4.5", "0.0.0.0", "255.255.255.255",
                             "127.0.0.1", "10.99.0.200"})
        EXPECT_EQ(MacOfIp(text), "") << text;
}

} // namespace
} // namespace lumiq
