// A sender that keeps answering a search while the first warning box stays
// unanswered: every reply is still entered and compared, the warnings wait
// behind the open box instead of nesting inside it, and the window stays up.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QAbstractEventDispatcher>
#include <QListWidget>
#include <QPushButton>
#include <algorithm>

#include "net/TcmSocket.h"
#include "presenter/NoticeQueue.h"
#include "tests/e2e/udp/UdpBed.h"

namespace lumiq::test {
namespace {

using testbed::SimLanOptions;

constexpr int kRegistrySize = 256;
constexpr std::size_t kQueueBound = NoticeQueue::kDefaultBound;

TEST(Flood, DuplicateRepliesDuringAnOpenWarningAreAllComparedAndTheirBoxesQueued) {
    UdpBed bed(SimLanOptions{.modules = 1});
    bed.sim().fault(0, "silent on"); // only the flood answers

    int delivered = 0;
    auto deliver = bed.tool->MySocket->OnReceive;
    const std::uint32_t ownIp = bed.tool.state().LocalIp;
    bed.tool->MySocket->OnReceive = [&, deliver](TcmSocket& s, int peer, std::uint16_t port, std::uint32_t ip,
                                                 const char* data, int length) {
        if (ip != ownIp)
            ++delivered;
        deliver(s, peer, port, ip, data, length);
    };

    // The flood comes from the LAN's own address, always as the same module.
    const int sender = bed.lan.lan().openSocket(AF_INET, SOCK_DGRAM);
    sockaddr_in tool{};
    tool.sin_family = AF_INET;
    tool.sin_port = htons(5000);
    ASSERT_EQ(inet_pton(AF_INET, bed.lan.hostAddress().c_str(), &tool.sin_addr), 1);
    const std::string reply = "<02:00:00:0f:10:0d>,OK\r\n";
    int sent = 0;
    const auto send = [&](int count) {
        for (int i = 0; i < count; ++i, ++sent)
            ASSERT_EQ(sendto(sender, reply.data(), reply.size(), 0, reinterpret_cast<const sockaddr*>(&tool),
                             sizeof tool),
                      static_cast<ssize_t>(reply.size()));
    };

    // Nobody answers a box until the flood is over.
    constexpr int kTotal = 4002;
    constexpr int kBatch = 250;
    bed.tool.answer = [&](const MessageRequest&) {
        EXPECT_TRUE(ToolWindow::waitFor([&] { return delivered == kTotal; }, 120000)) << delivered;
        return MessageAnswer::Ok;
    };
    ToolWindow::click(bed.tool->But_UDPFind);
    // Whenever the tool has read everything, the next batch goes out: the
    // socket's buffer never overflows, so every reply arrives.
    const QMetaObject::Connection flood =
        QObject::connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, [&] {
            if (delivered == sent && sent < kTotal)
                send(std::min(kBatch, kTotal - sent));
        });

    // The second reply waits in its comparison with entry 0 while the rest
    // arrive: reply j (from 2 on) meets the j - 1 entries before it until
    // the registry is full. Its box answered, the 256 queued boxes follow;
    // then the second reply's comparison goes on over the 255 entries that
    // came meanwhile, one box at a time, and finds the registry full.
    long nested = 0;
    for (int j = 2; j < kTotal; ++j)
        nested += std::min(j - 1, kRegistrySize);
    const std::size_t shown = 1 + kQueueBound + (kRegistrySize - 1);
    ASSERT_TRUE(ToolWindow::waitFor([&] { return bed.tool.messages.size() >= shown; }, 120000))
        << bed.tool.messages.size();
    QObject::disconnect(flood);
    EXPECT_EQ(bed.tool.messages.size(), shown);
    EXPECT_EQ(delivered, kTotal);
    const std::string w1 = "两个或以上的模块MAC地址、IP地址相同，MAC地址为：02:00:00:0f:10:0d，IP地址为：10."
                           "77.0.2，请通过串口功能设置";
    EXPECT_TRUE(std::all_of(bed.tool.messages.begin(), bed.tool.messages.end(),
                            [&](const MessageRequest& m) { return m.text == w1; }));
    const QString droppedLine =
        QStringLiteral("提示过多，另有%1条提示未显示").arg(nested - static_cast<long>(kQueueBound));
    EXPECT_EQ(bed.tool.logCount(droppedLine), 1);

    // Every reply that found room is listed.
    ASSERT_EQ(bed.tool->ListBoxIP->count(), kRegistrySize);
    EXPECT_EQ(bed.tool.state().ModuleCount, kRegistrySize);
    for (int i = 0; i < kRegistrySize; ++i)
        EXPECT_EQ(bed.tool->ListBoxIP->item(i)->text().toStdString(), "10.77.0.2:02:00:00:0f:10:0d");
    close(sender);
}

} // namespace
} // namespace lumiq::test
