#include <gtest/gtest.h>

#include "net/ServerConnections.h"

namespace lumiq {
namespace {

TEST(ServerConnections, KeepsPeersInArrivalOrderAndFollowsAReusedAddress) {
    ServerConnections list;
    list.append({7, 0x0100007F, 40001});
    list.append({8, 0x0100007F, 40002});
    list.append({9, 0x0200007F, 40001});
    EXPECT_EQ(list.count(), 3);

    // The same address and port again, on a new socket: the entry follows it.
    EXPECT_TRUE(list.replaceSocketOf(0x0100007F, 40002, 12));
    EXPECT_FALSE(list.contains(8));
    EXPECT_TRUE(list.contains(12));
    EXPECT_FALSE(list.replaceSocketOf(0x0100007F, 40003, 13));
    EXPECT_EQ(list.count(), 3);

    EXPECT_FALSE(list.remove(99).has_value()); // unknown: nothing happens
    EXPECT_EQ(list.count(), 3);
    const auto removed = list.remove(7);
    ASSERT_TRUE(removed.has_value());
    EXPECT_EQ(removed->Port, 40001);
    EXPECT_EQ(removed->IP, 0x0100007Fu);

    const auto rest = list.takeAll();
    EXPECT_EQ(list.count(), 0);
    ASSERT_EQ(rest.size(), 2u);
    EXPECT_EQ(rest.front().socket, 12);
    EXPECT_EQ(rest.back().socket, 9);
}

} // namespace
} // namespace lumiq
