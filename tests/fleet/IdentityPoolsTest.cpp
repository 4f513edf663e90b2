// Identities made up as modules come: templates, ranges, what is skipped,
// and what is refused before any module is met.

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <functional>

#include "fleet/IdentityPools.h"

namespace lumiq::fleet {
namespace {

std::uint32_t Ip(const char* text) {
    in_addr address{};
    inet_pton(AF_INET, text, &address);
    return address.s_addr;
}

std::string ErrorOf(const std::function<void()>& make) {
    try {
        make();
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

TEST(IdentityPools, TemplatesAndCountingPortsGiveEachNumberItsOwnValues) {
    const IdentityPools named({"name=P{n:4}_{mac6}", "port=9000+", "dport=7000-7001", "mode=UDP"}, 5);
    EXPECT_EQ(named.valuesFor(6, "02:00:00:0A:BC:DE", Ip("10.1.0.7")),
              (std::vector<Value>{{Param::Mode, "UDP"},
                                  {Param::Ip, "10.1.0.7"},
                                  {Param::Port, "9001"},
                                  {Param::DPort, "7001"},
                                  {Param::Name, "P0006_0abcde"}}));
    EXPECT_EQ(IdentityPools({"name=P{n:4}_{mac6}"}).valuesFor(1234, "02:00:00:0a:bc:de", {}).back().text,
              "P1234_0abcde");
    EXPECT_EQ(ErrorOf([&] { named.valuesFor(7, "02:00:00:0a:bc:de", std::nullopt); }),
              "the dport pool 7000-7001 has run out at number 7");
    EXPECT_EQ(ErrorOf([] { IdentityPools({"port=9000+"}, 5).valuesFor(123456, "", {}); }),
              "--assign port=9000+: bad value for port: \"132451\" (a port is 1-65535)");
    EXPECT_EQ(IdentityPools({"name={{x}}{n}"}).valuesFor(3, "", std::nullopt).front().text, "{x}3");
}

TEST(IdentityPools, BadAssignmentsAreRefusedBeforeAnyModule) {
    const auto refusal = [](std::vector<std::string> assignments) {
        return ErrorOf([&] { IdentityPools pools(assignments); });
    };
    EXPECT_EQ(refusal({"name=Press-{x}"}),
              "--assign name=Press-{x}: unknown placeholder {x} (use {n}, {n:03}, {mac}, {mac6})");
    EXPECT_EQ(refusal({"name=Press-{n"}),
              "--assign name=Press-{n: a { that is never closed (write {{ for a brace)");
    EXPECT_EQ(refusal({"name=a}b"}), "--assign name=a}b: a } without its { (write }} for a brace)");
    EXPECT_EQ(
        refusal({"name=Press-{n:013}"}),
        "--assign name=Press-{n:013}: bad value for name: \"Press-0000000000001\" (a device name holds at "
        "most 15 GBK bytes (a Chinese character counts 2); this one has 19)");
    EXPECT_NE(refusal({"mac=02:00:00:00:00:09"}).find("a MAC comes with the module"), std::string::npos);
    EXPECT_NE(refusal({"ip=10.1.0.5"}).find("an ip pool is a range"), std::string::npos);
    EXPECT_NE(refusal({"ip=10.1.0.9-10.1.0.5"}).find("ends before it starts"), std::string::npos);
    EXPECT_NE(refusal({"ip=127.0.0.1+"}).find("unicast host address"), std::string::npos);
    EXPECT_NE(refusal({"name=a", "NAME=b"}).find("assigned twice"), std::string::npos);
    EXPECT_NE(refusal({"colour=red"}).find("no setting is called \"colour\""), std::string::npos);
    EXPECT_NE(refusal({"version=1"}).find("can only be read"), std::string::npos);
    EXPECT_NE(refusal({"gateway={mac}"}).find("bad value for gateway: \"02:00:00:00:00:01\""),
              std::string::npos);
    EXPECT_NE(refusal({"port=0+"}).find("a port is 1-65535"), std::string::npos);
}

TEST(IdentityPools, AddressesSkipWhatIsTakenAndTheSubnetsEndsThenRunOut) {
    IdentityPools pools({"ip=10.1.0.254-10.1.1.2"});
    pools.setMask(Ip("255.255.255.0"));
    pools.reserveAddress(Ip("10.1.1.1"));
    EXPECT_EQ(pools.takeAddress(), Ip("10.1.0.254"));
    EXPECT_EQ(pools.takeAddress(), Ip("10.1.1.2")); // .255, .0 by the mask, .1 reserved
    EXPECT_EQ(ErrorOf([&] { pools.takeAddress(); }),
              "the ip pool 10.1.0.254-10.1.1.2 has run out (5 addresses, 3 of them taken)");
    // Modules already found take the range in order, whatever is reserved.
    EXPECT_EQ(pools.addressAt(1), Ip("10.1.1.1"));
    EXPECT_THROW(pools.addressAt(3), PoolExhausted);

    // A mask assigned for every module is the pools' own; numbers count apart from addresses.
    IdentityPools masked({"ip=192.168.3.0+", "mask=255.255.255.252"}, 7);
    masked.reserveNumber(8);
    EXPECT_EQ(masked.takeNumber(), 7u);
    EXPECT_EQ(masked.takeNumber(), 9u);
    EXPECT_EQ(masked.addressAt(2), Ip("192.168.3.5"));
}

} // namespace
} // namespace lumiq::fleet
