// A trace of real traffic on both links, read back by tshark with the
// module protocol's dissector: the socket and the serial component report
// every datagram and every read and write, the trace keeps them as
// IPv4/UDP and serial records, and every field of a search, a read-all and
// a set comes out decoded.

#include <gtest/gtest.h>
#include <net/if.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <vector>

#include "protocol/CommandTable.h"
#include "protocol/Frames.h"
#include "serial/ComPort.h"
#include "state/GbkText.h"
#include "tests/net/NetTestSupport.h"
#include "tests/support/simbed/SimLan.h"
#include "tests/support/simbed/SimPty.h"
#include "trace/PacketTrace.h"

namespace lumiq {
namespace {

using nettest::WaitFor;
using Row = std::map<std::string, std::string>;

const std::vector<std::string> kColumns = {
    "sll.pkttype",      "sll.ifindex",      "ip.src",           "ip.dst",          "lumiq.frame",
    "lumiq.target_mac", "lumiq.sender_mac", "lumiq.module_mac", "lumiq.operation", "lumiq.keyword",
    "lumiq.argument",   "lumiq.value",      "lumiq.status",     "lumiq.direction", "_ws.expert.message"};

// The trace as tshark with the dissector sees it, one row per record.
std::vector<Row> Dissect(const std::string& file) {
    std::string command = "tshark -X lua_script:" + std::string(std::getenv("LUMIQ_SOURCE_DIR")) +
                          "/packaging/wireshark/lumiq.lua -r " + file + " -T fields -E occurrence=f";
    for (const std::string& column : kColumns)
        command += " -e " + column;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>/dev/null").c_str(), "r"), ::pclose);
    std::string out;
    char buffer[4096];
    for (std::size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        out.append(buffer, got);
    std::vector<Row> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        Row row;
        std::istringstream cells(line);
        std::string cell;
        for (const std::string& column : kColumns)
            if (std::getline(cells, cell, '\t') && !cell.empty())
                row[column] = cell;
        rows.push_back(row);
    }
    return rows;
}

// The number of rows that hold every field of `wanted` with its value.
int Count(const std::vector<Row>& rows, const Row& wanted) {
    int count = 0;
    for (const Row& row : rows) {
        bool all = true;
        for (const auto& [field, value] : wanted)
            all = all && row.contains(field) && row.at(field) == value;
        count += all;
    }
    return count;
}

// The read-all chain as the command table links it, the link test first.
std::vector<const QueryCommand*> ReadAllChain() {
    std::vector<const QueryCommand*> chain;
    for (std::uint16_t code = kLinkTestSend; code != 0; code = chain.back()->nextCode)
        chain.push_back(QueryBySendCode(code));
    return chain;
}

std::string KeywordOf(const QueryCommand& query) {
    return std::string(query.keyword).substr(1);
}

TEST(TrafficTrace, BothLinksAreRecordedAndEveryFieldIsDecoded) {
    testbed::SimLan lan;
    testbed::SimPty pty;
    lan.control().set(0, "NAME", "一号机");
    pty.control().set(0, "NAME", "三号机");
    const std::map<std::string, std::string> udpParams = lan.control().params(0);
    const std::map<std::string, std::string> serialParams = pty.control().params(0);
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
    std::vector<std::string> replies;
    socket.OnReceive = [&](TcmSocket&, int, std::uint16_t, std::uint32_t peer, const char* data, int length) {
        if (peer != host)
            replies.emplace_back(data, static_cast<std::size_t>(length));
    };
    socket.Open();
    ASSERT_TRUE(socket.Active());
    const unsigned ifindex = if_nametoindex(lan.hostInterface().c_str());
    auto exchange = [&](const std::string& frame, bool throughAdapter) {
        const std::size_t before = replies.size();
        ASSERT_TRUE(throughAdapter ? socket.SendFrom(INADDR_BROADCAST, kModulePort, frame.data(),
                                                     static_cast<int>(frame.size()), host, ifindex)
                                   : socket.SendTo(INADDR_BROADCAST, kModulePort, frame.data(),
                                                   static_cast<int>(frame.size())));
        ASSERT_TRUE(WaitFor([&] { return replies.size() > before; })) << frame;
    };
    exchange(DiscoveryFrame(lan.hostMac()), false);
    for (const QueryCommand* query : ReadAllChain())
        exchange(UdpEnvelope(mac, lan.hostMac()) + query->line, true);
    exchange(UdpEnvelope(mac, lan.hostMac()) + SetCommandLine("AT+NAME=", Utf8ToGbk("二号机")), true);
    lan.control().fault(0, "malformed short");
    exchange(UdpEnvelope(mac, lan.hostMac()) + "AT+DEFAULT\r\n", true);

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
        port.WriteStr(query->line);
        ASSERT_TRUE(WaitFor([&] { return read == "OK" || read.ends_with("\r\n"); })) << query->line;
    }
    port.Close();
    socket.Close();
    trace.reset();

    const std::vector<Row> rows = Dissect(file);
    ASSERT_FALSE(rows.empty()) << "tshark read nothing from " << file;
    const std::string sent = "4", came = "0", index = std::to_string(ifindex);
    EXPECT_EQ(Count(rows, {{"lumiq.operation", "search"},
                           {"lumiq.target_mac", std::string(kEveryModuleMac)},
                           {"lumiq.sender_mac", lan.hostMac()},
                           {"lumiq.keyword", "AT"},
                           {"sll.pkttype", sent},
                           {"ip.src", lan.hostAddress()},
                           {"ip.dst", "255.255.255.255"}}),
              1);
    EXPECT_EQ(Count(rows, {{"lumiq.frame", "reply"},
                           {"lumiq.module_mac", mac},
                           {"lumiq.status", "OK"},
                           {"sll.pkttype", came},
                           {"sll.ifindex", index},
                           {"ip.src", lan.moduleAddress(0)}}),
              3)
        << "the search, the link test and the set";
    for (const QueryCommand* query : ReadAllChain()) {
        if (query->value == ReplyValue::None)
            continue;
        const std::string keyword = KeywordOf(*query);
        EXPECT_EQ(Count(rows, {{"lumiq.frame", "command"},
                               {"lumiq.operation", "query"},
                               {"lumiq.keyword", keyword},
                               {"lumiq.target_mac", mac},
                               {"sll.pkttype", sent},
                               {"sll.ifindex", index}}),
                  1)
            << keyword;
        EXPECT_EQ(Count(rows, {{"lumiq.module_mac", mac},
                               {"lumiq.keyword", keyword},
                               {"lumiq.value", GbkToUtf8(udpParams.at(keyword))},
                               {"sll.pkttype", came}}),
                  1)
            << keyword;
        EXPECT_EQ(Count(rows, {{"lumiq.direction", "tool to module"},
                               {"lumiq.operation", "query"},
                               {"lumiq.keyword", keyword},
                               {"sll.pkttype", sent}}),
                  1)
            << keyword;
        EXPECT_EQ(Count(rows, {{"lumiq.direction", "module to tool"},
                               {"lumiq.keyword", keyword},
                               {"lumiq.value", GbkToUtf8(serialParams.at(keyword))},
                               {"sll.pkttype", came}}),
                  1)
            << keyword;
    }
    EXPECT_EQ(
        Count(rows, {{"lumiq.operation", "link test"}, {"lumiq.target_mac", mac}, {"sll.pkttype", sent}}), 1);
    EXPECT_EQ(Count(rows, {{"lumiq.operation", "link test"}, {"lumiq.direction", "tool to module"}}), 1);
    EXPECT_EQ(Count(rows, {{"lumiq.status", "OK"}, {"lumiq.direction", "module to tool"}}), 1);
    EXPECT_EQ(Count(rows, {{"lumiq.operation", "set"},
                           {"lumiq.keyword", "NAME"},
                           {"lumiq.argument", "二号机"},
                           {"lumiq.target_mac", mac},
                           {"sll.pkttype", sent}}),
              1);
    EXPECT_EQ(
        Count(rows,
              {{"lumiq.operation", "factory default"}, {"lumiq.keyword", "DEFAULT"}, {"sll.pkttype", sent}}),
        1);
    // Only the cut reply is marked: a Lua error would show as a mark too.
    int marked = 0;
    for (const Row& row : rows)
        marked += row.contains("_ws.expert.message");
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(Count(rows, {{"lumiq.frame", "reply"},
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
