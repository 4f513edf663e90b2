// The event thread on a real pseudo-terminal: what reaches the handlers, on
// which thread, in which order, and that closing never hangs.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "serial/ComPort.h"
#include "serial/ComThread.h"
#include "tests/serial/PtyPair.h"

namespace lumiq {
namespace {

using test::PtyPair;
constexpr int kDeadlineMs = 10000;

// What the handlers saw; filled from whichever thread runs them.
class EventLog {
public:
    void Add(const std::string& entry) {
        std::lock_guard lock(mutex_);
        entries_.push_back(entry);
        threads_.push_back(std::this_thread::get_id());
    }
    std::vector<std::string> Entries() const {
        std::lock_guard lock(mutex_);
        return entries_;
    }
    std::size_t Size() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }
    std::thread::id ThreadOf(std::size_t index) const {
        std::lock_guard lock(mutex_);
        return threads_.at(index);
    }
    bool WaitForSize(std::size_t size) const {
        return QTest::qWaitFor([&] { return Size() >= size; }, kDeadlineMs);
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> entries_;
    std::vector<std::thread::id> threads_;
};

class ThreadOnPty : public ::testing::Test {
protected:
    ThreadOnPty() {
        port.SetPort(pty.SlavePath());
        port.OnRxChar = [this](TCustomComPort&, int count) { log.Add("rx " + std::to_string(count)); };
        port.OnError = [this](TCustomComPort&, TComErrors errors) {
            log.Add("error " + std::to_string(errors.bits()));
        };
    }
    PtyPair pty;
    TComPort port;
    EventLog log;
};

TEST_F(ThreadOnPty, ReceivedBytesAreReportedOnTheMainThreadAndLeftQueued) {
    port.Open();
    pty.Send("abc");
    ASSERT_TRUE(log.WaitForSize(1));
    EXPECT_EQ(log.Entries().front(), "rx 3");
    EXPECT_EQ(log.ThreadOf(0), std::this_thread::get_id());
    EXPECT_EQ(port.InputCount(), 3) << "the handler's caller does not read";
}

TEST_F(ThreadOnPty, UnreadBytesDoNotWakeTheThreadAgainAndTheNextReportShowsTheGrownCount) {
    port.Open();
    pty.Send("abc");
    ASSERT_TRUE(log.WaitForSize(1));
    const std::uint64_t wakeUpsAfterFirst = port.EventThread()->WakeUps();
    // A thread woken again and again by the unread bytes would report "rx 3"
    // over and over while the main loop serves it below.
    pty.Send("de");
    ASSERT_TRUE(log.WaitForSize(2));
    EXPECT_EQ(log.Entries().at(1), "rx 5");
    EXPECT_LE(port.EventThread()->WakeUps() - wakeUpsAfterFirst, 4u);
}

TEST_F(ThreadOnPty, NoCallWhenAReadEmptiedTheQueueFirst) {
    port.SetSyncMethod(smThreadSync);
    port.Open();
    pty.Send("xy");
    ASSERT_TRUE(port.EventThread()->WaitForPendingHandover(std::chrono::milliseconds(kDeadlineMs)));
    std::string text;
    ASSERT_EQ(port.ReadStr(text, 1024), 2); // before the main loop runs the batch
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Size(), 0u);
}

// The fixed order holds for every delivery method.
class DispatchOrder : public ThreadOnPty, public ::testing::WithParamInterface<TSyncMethod> {};

TEST_P(DispatchOrder, ALineErrorComesBeforeReceivedCharacters) {
    port.SetSyncMethod(GetParam());
    port.SetEvents({evRxChar, evError});
    port.Open();
    pty.Send("q");
    ASSERT_TRUE(log.WaitForSize(1));
    ASSERT_EQ(log.Entries().front(), "rx 1");

    port.NoteLineErrors({ceFrame});
    port.EventThread()->InjectEvents({evRxChar, evError});
    ASSERT_TRUE(log.WaitForSize(3));
    const std::vector<std::string> expected = {"rx 1", "error " + std::to_string(TComErrors{ceFrame}.bits()),
                                               "rx 1"};
    EXPECT_EQ(log.Entries(), expected);
    port.Close();
}

INSTANTIATE_TEST_SUITE_P(EverySyncMethod, DispatchOrder,
                         ::testing::Values(smThreadSync, smWindowSync, smNone));

TEST_F(ThreadOnPty, HandlersRunOnTheMainThreadExceptWithSmNone) {
    const struct {
        TSyncMethod method;
        bool onMainThread;
    } cases[] = {{smThreadSync, true}, {smWindowSync, true}, {smNone, false}};
    for (const auto& c : cases) {
        EventLog seen;
        port.OnRxChar = [&](TCustomComPort&, int count) { seen.Add(std::to_string(count)); };
        port.SetSyncMethod(c.method);
        port.Open();
        pty.Send("z");
        ASSERT_TRUE(seen.WaitForSize(1)) << "method " << c.method;
        EXPECT_EQ(seen.ThreadOf(0) == std::this_thread::get_id(), c.onMainThread) << "method " << c.method;
        port.Close(); // the thread discards what it leaves queued
    }
}

TEST_F(ThreadOnPty, CloseCompletesWhileTheThreadWaitsInAHandover) {
    port.Open();
    pty.Send("abc");
    // The batch waits for the main thread, which does not run its loop here.
    ASSERT_TRUE(port.EventThread()->WaitForPendingHandover(std::chrono::milliseconds(kDeadlineMs)));
    port.Close();
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.EventThread(), nullptr);
    EXPECT_EQ(log.Entries(), std::vector<std::string>{"rx 3"}) << "the pending hand-over ran during Close";
    QCoreApplication::processEvents(); // the stale queued call finds nothing to do
    EXPECT_EQ(log.Size(), 1u);
}

TEST_F(ThreadOnPty, AHandlerMayCloseItsOwnPort) {
    port.OnRxChar = [&](TCustomComPort& sender, int) {
        log.Add("rx");
        sender.Close();
    };
    port.Open();
    pty.Send("abc");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !port.Connected(); }, kDeadlineMs));
    EXPECT_EQ(log.Entries(), std::vector<std::string>{"rx"});
}

TEST_F(ThreadOnPty, ARaisingHandlerEndsTheThreadButLeavesThePortOpen) {
    port.OnRxChar = [&](TCustomComPort&, int) { throw std::runtime_error("handler failed"); };
    port.Open();
    pty.Send("abc");
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.EventThread()->Finished(); }, kDeadlineMs));
    EXPECT_TRUE(port.Connected());
    port.Close();
}

TEST_F(ThreadOnPty, DeviceLossIsReportedOnceAndTheThreadStopsWatching) {
    port.Open();
    pty.CloseMaster();
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.EventThread()->Finished(); }, kDeadlineMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Entries(), std::vector<std::string>{"error " + std::to_string(TComErrors{ceIO}.bits())});
    port.Close(); // still closes cleanly
    EXPECT_FALSE(port.Connected());
}

TEST_F(ThreadOnPty, AnEmptyOutputQueueIsReportedAfterAWrite) {
    int empties = 0;
    port.OnTxEmpty = [&](TCustomComPort&) { ++empties; };
    port.Open();
    port.WriteStr("AT\r\n");
    EXPECT_TRUE(QTest::qWaitFor([&] { return empties == 1; }, kDeadlineMs));
}

TEST_F(ThreadOnPty, APortWithoutEventsStartsNoThreadAndCallsNoHandler) {
    port.SetEvents({});
    port.Open();
    EXPECT_EQ(port.EventThread(), nullptr);
    pty.Send("abc");
    ASSERT_TRUE(QTest::qWaitFor([&] { return port.InputCount() == 3; }, kDeadlineMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(log.Size(), 0u);
}

} // namespace
} // namespace lumiq
