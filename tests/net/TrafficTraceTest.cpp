// A trace of real traffic on both links, read back by tshark with the
// module protocol's dissector: the socket and the serial component report
// every datagram and every read and write, the trace keeps them as
// IPv4/UDP and serial records, and every field of a search, a read-all and
// a set comes out decoded.

#include <gtest/gtest.h>
#include <net/if.h>

#include <map>
#include <memory>
#include <vector>

#include "base/GbkText.h"
#include "device/Frames.h"
#include "serial/ComPort.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/TraceRows.h"
#include "tests/support/simbed/SimLan.h"
#include "tests/support/simbed/SimPty.h"
#include "trace/PacketTrace.h"

namespace lumiq {
namespace {

using nettest::WaitFor;
using testbed::CountRows;
using testbed::ReadAllChain;
using testbed::TraceRow;

TEST(TrafficTrace, BothLinksAreRecordedAndEveryFieldIsDecoded) {
    testbed::SimLan lan;
    testbed::SimPty pty;
    lan.control().set(0, "NAME", "一号机");
    pty.control().set(0, "NAME", "三号机");
    const std::map<std::string, std::string> udpParams = lan.control().params(0);
    const std::string mac = udpParams.at("MAC");
    testbed::ScratchDir scratch;
    const std::string file = scratch.file("trace.pcap");
    auto trace = std::make_unique<PacketTrace>(file);

    TcmSocket socket;
    socket.LocalHost = lan.hostAddress();
    socket.LocalPort = kModulePort;
    socket.BindAnyAddress = true;
    socket.ReceivePacketInfo = true;
    socket.Tap = trace.get();
    const std::uint32_t host = nettest::Ip(lan.hostAddress().c_str());
    // The socket hears its own broadcasts too (and the trace keeps them).
    std::size_t replies = 0;
    socket.OnReceive = [&](TcmSocket&, int, std::uint16_t, std::uint32_t peer, const char*, int) {
        replies += peer != host;
    };
    socket.Open();
    ASSERT_TRUE(socket.Active());
    const unsigned ifindex = if_nametoindex(lan.hostInterface().c_str());
    auto exchange = [&](const std::string& frame, bool throughAdapter) {
        const std::size_t before = replies;
        const int length = static_cast<int>(frame.size());
        ASSERT_TRUE(throughAdapter
                        ? socket.SendFrom(INADDR_BROADCAST, kModulePort, frame.data(), length, host, ifindex)
                        : socket.SendTo(INADDR_BROADCAST, kModulePort, frame.data(), length));
        ASSERT_TRUE(WaitFor([&] { return replies > before; })) << frame;
    };
    const std::string envelope = UdpEnvelope(mac, lan.hostMac());
    exchange(DiscoveryFrame(lan.hostMac()), false);
    for (const QueryCommand* query : ReadAllChain())
        exchange(envelope + std::string(query->wire().line), true);
    exchange(envelope + SetCommandLine("AT+NAME=", Utf8ToGbk("二号机")), true);
    lan.control().fault(0, "malformed short");
    exchange(envelope + "AT+DEFAULT\r\n", true);

    TComPort port;
    port.SetPort(pty.devicePath());
    port.SetTap(trace.get());
    std::string read;
    port.OnRxChar = [&](TCustomComPort& sender, int count) {
        std::string got;
        sender.ReadStr(got, count);
        read += got;
    };
    port.Open();
    for (const QueryCommand* query : ReadAllChain()) {
        read.clear();
        port.WriteStr(std::string(query->wire().line));
        ASSERT_TRUE(WaitFor([&] { return read == "OK" || read.ends_with("\r\n"); })) << query->wire().line;
    }
    port.Close();
    socket.Close();
    trace.reset();

    const std::vector<TraceRow> rows = testbed::DissectTrace(file);
    ASSERT_FALSE(rows.empty()) << "tshark read nothing from " << file;
    const TraceRow sent = {{"sll.pkttype", "4"}, {"sll.ifindex", std::to_string(ifindex)}};
    TraceRow search = testbed::SearchSent(lan.hostMac());
    search.insert({{"ip.src", lan.hostAddress()}, {"ip.dst", "255.255.255.255"}});
    search.insert(sent.begin(), sent.end());
    EXPECT_EQ(CountRows(rows, search), 1);
    EXPECT_EQ(CountRows(rows, {{"lumiq.frame", "reply"},
                               {"lumiq.module_mac", mac},
                               {"lumiq.status", "OK"},
                               {"sll.ifindex", sent.at("sll.ifindex")},
                               {"ip.src", lan.moduleAddress(0)}}),
              3)
        << "the search, the link test and the set";
    TraceRow toModule = sent;
    toModule["lumiq.target_mac"] = mac;
    EXPECT_EQ(testbed::MissingReadAll(rows, udpParams, toModule, {{"lumiq.module_mac", mac}}),
              std::vector<std::string>{});
    EXPECT_EQ(testbed::MissingReadAll(rows, pty.control().params(0), {{"lumiq.direction", "tool to module"}},
                                      {{"lumiq.direction", "module to tool"}}),
              std::vector<std::string>{});
    EXPECT_EQ(
        CountRows(rows, {{"lumiq.operation", "link test"}, {"lumiq.target_mac", mac}, {"sll.pkttype", "4"}}),
        1);
    EXPECT_EQ(CountRows(rows, {{"lumiq.operation", "link test"}, {"lumiq.direction", "tool to module"}}), 1);
    EXPECT_EQ(CountRows(rows, {{"lumiq.status", "OK"}, {"lumiq.direction", "module to tool"}}), 1);
    EXPECT_EQ(CountRows(rows, testbed::SetSent("NAME", "二号机", mac)), 1);
    EXPECT_EQ(CountRows(rows, {{"lumiq.operation", "factory default"}, {"lumiq.keyword", "DEFAULT"}}), 2)
        << "sent, and heard back";
    // Only the cut reply is marked: a Lua error would show as a mark too.
    int marked = 0;
    for (const TraceRow& row : rows)
        marked += row.contains("_ws.expert.message");
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(CountRows(rows, {{"lumiq.frame", "reply"},
                               {"_ws.expert.message", "The reply header has no end of its MAC text"}}),
              1);
}

TEST(TrafficTrace, AFileThatCannotBeWrittenIsAnErrorAtTheStart) {
    EXPECT_THROW(PacketTrace("/nonexistent-folder/trace.pcap"), TraceFileError);
    // The header goes to the file only when flushed: a full disk shows there.
    EXPECT_THROW(PacketTrace("/dev/full"), TraceFileError);
}

} // namespace
} // namespace lumiq
