// The search over adapters, against simulated modules in fake time.

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include "fleet/ModuleSearch.h"
#include "tests/fleet/FakeLan.h"

namespace lumiq::fleet {
namespace {

using testing::FakeLan;

TEST(ModuleSearch, ListsEachModuleOnceAndFlagsSharedAddresses) {
    FakeLan lan(3);
    // Two modules share a MAC text.
    lan.module(1).params()["MAC"] = lan.module(0).mac();
    const SearchAdapter adapter{FakeLan::HostRoute(), inet_addr("10.77.255.255")};
    ModuleSearch search(lan, {adapter}, SearchOptions{500, 0, 2}, {adapter.route.source});
    search.start(0);
    // An answer on an adapter not searched is no module of ours.
    search.onDatagram(Arrival{inet_addr("192.168.9.9"), 5000, 99, true}, "<02:4c:51:00:99:99>,OK", 1);
    // Only a well-formed answer to the search is a module: a MAC in MAC form, then "OK".
    const Arrival here{inet_addr("10.77.9.9"), 5000, FakeLan::HostRoute().ifindex, true};
    for (const char* noise :
         {"<02:4c:51:00:99:98>,ERROR", "<flood>,OK", "<02:4c:51:00:99:97>,+MODEL=1", "<x"})
        search.onDatagram(here, noise, 1);
    lan.run(search);

    // Two frames per adapter and round: the limited and the directed broadcast.
    EXPECT_EQ(lan.framesTo("00:00:00:00:00:00", "AT\r\n").size(), 4u);
    const auto& found = search.found();
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].replies, 4);
    EXPECT_TRUE(found[0].duplicateMac);
    EXPECT_TRUE(found[1].duplicateMac);
    EXPECT_FALSE(found[2].duplicateMac);
    EXPECT_EQ(found[2].route.adapter, "veth0");
}

TEST(ModuleSearch, EndsAsSoonAsTheExpectedModulesAnswered) {
    FakeLan lan(4);
    ModuleSearch search(lan, {SearchAdapter{FakeLan::HostRoute(), 0}}, SearchOptions{5000, 4, 3}, {});
    search.start(0);
    EXPECT_LT(lan.run(search), 100);
    EXPECT_EQ(search.found().size(), 4u);
    // Answers taken from the socket with the one that ended the search still
    // count as answers (the engine would wait for them otherwise); a new
    // module no longer joins.
    const Arrival late{search.found()[0].ip, 5000, FakeLan::HostRoute().ifindex, false};
    const int replies = search.found()[0].replies;
    search.onDatagram(late, "<" + search.found()[0].mac + ">,OK", 100);
    search.onDatagram(Arrival{inet_addr("10.77.9.9"), 5000, late.ifindex, false}, "<02:4c:51:00:99:99>,OK",
                      100);
    EXPECT_EQ(search.found()[0].replies, replies + 1);
    EXPECT_EQ(search.found().size(), 4u);
}

} // namespace
} // namespace lumiq::fleet
