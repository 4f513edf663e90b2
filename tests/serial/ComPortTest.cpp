// The port on real pseudo-terminals: opening and closing, exclusive use,
// blocking reads and writes with their time-outs, device loss, failure texts.

#include <gtest/gtest.h>

#include <QTest>

#include <termios.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "links/ComPortSerialLink.h"
#include "serial/ComPort.h"
#include "serial/EComPort.h"
#include "tests/serial/PtyPair.h"

namespace lumiq {
namespace {

using Clock = std::chrono::steady_clock;
using test::PtyPair;

// Runs fn, expecting EComPort with this code; returns it for more checks.
template <typename Fn> EComPort ExpectComFailure(int code, Fn&& fn) {
    try {
        fn();
    } catch (const EComPort& failure) {
        EXPECT_EQ(failure.FailureCode(), code) << failure.what();
        return failure;
    }
    ADD_FAILURE() << "no EComPort raised, expected code " << code;
    return EComPort(code);
}

tcflag_t LocalFlags(int fd) {
    termios settings{};
    EXPECT_EQ(::tcgetattr(fd, &settings), 0);
    return settings.c_lflag;
}

class ComPortOnPty : public ::testing::Test {
protected:
    ComPortOnPty() { port.SetPort(pty.SlavePath()); }
    // Waits, with a deadline, until the driver queued this many input bytes.
    bool WaitForInput(int count) {
        return QTest::qWaitFor([&] { return port.InputCount() == count; }, 10000);
    }
    PtyPair pty;
    TComPort port;
};

TEST(ComPortText, FailureTextsCarryTheSystemErrorWhenThereIsOne) {
    const struct {
        EComPort failure;
        const char* text;
        int systemError;
    } cases[] = {
        {EComPort(kComOpenFailed, 2), "Unable to open com port (win error code: 2)", 2},
        {EComPort(kComPropertyWhileConnected), "Cannot set property while connected", -1},
        {EComPort(kComListingFailed, 13), "Registry error (win error code: 13)", 13},
        {EComPort(kComSetTimeoutsFailed), "SetCommTimeouts failed", -1},
        {EComPort(kComRxBufLinked), "A component is linked to OnRxBuf event", -1},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.failure.what(), c.text);
        EXPECT_EQ(c.failure.SystemError(), c.systemError);
    }
    EXPECT_EQ(ComFailureText(0), "");
    EXPECT_EQ(ComFailureText(24), "");
}

// The window keeps its form of a failure; the command line's link says it in
// the system's words with the port's path.
TEST(ComPortText, TheCommandLinesLinkTellsFailuresInTheSystemsWords) {
    TComPort port;
    port.SetPort("/dev/lumiq-no-such-port");
    ComPortSerialLink window(port), commandLine(port, ComFailureWords::System);
    EXPECT_STREQ(ExpectComFailure(kComOpenFailed, [&] { window.open(); }).what(),
                 "Unable to open com port (win error code: 2)");
    try {
        commandLine.open();
        ADD_FAILURE() << "opened";
    } catch (const std::runtime_error& failure) {
        EXPECT_STREQ(failure.what(),
                     "cannot open the serial port /dev/lumiq-no-such-port: No such file or directory");
    }
    EXPECT_EQ(ComFailureInSystemWords(EComPort(kComReadFailed, EIO), "/dev/ttyUSB0"),
              "cannot read from the serial port /dev/ttyUSB0: Input/output error");
    EXPECT_EQ(ComFailureInSystemWords(EComPort(kComListingFailed, EACCES), ""),
              "cannot list the serial ports: Permission denied");
}

TEST_F(ComPortOnPty, OpenAndCloseRunTheirHooksInOrderAndRestoreTheTerminal) {
    std::vector<std::string> calls;
    port.SetEvents({});
    port.OnBeforeOpen = [&](TCustomComPort&) { calls.push_back("before open"); };
    port.OnAfterOpen = [&](TCustomComPort&) { calls.push_back("after open"); };
    port.OnBeforeClose = [&](TCustomComPort&) { calls.push_back("before close"); };
    port.OnAfterClose = [&](TCustomComPort&) { calls.push_back("after close"); };
    port.OnCTSChange = [&](TCustomComPort&, bool on) { calls.push_back(on ? "cts on" : "cts off"); };
    port.OnDSRChange = [&](TCustomComPort&, bool on) { calls.push_back(on ? "dsr on" : "dsr off"); };
    port.OnRLSDChange = [&](TCustomComPort&, bool on) { calls.push_back(on ? "rlsd on" : "rlsd off"); };
    ASSERT_NE(LocalFlags(pty.SlaveFd()) & ICANON, 0u);

    port.Open();
    EXPECT_TRUE(port.Connected());
    EXPECT_EQ(LocalFlags(pty.SlaveFd()) & (ICANON | ECHO), 0u) << "raw bytes while open";
    port.Open(); // already open: nothing
    port.Close();
    port.Close(); // already closed: nothing

    EXPECT_FALSE(port.Connected());
    EXPECT_NE(LocalFlags(pty.SlaveFd()) & ICANON, 0u) << "settings of before the open are back";
    const std::vector<std::string> expected = {"before open",  "after open", "cts off", "dsr off",
                                               "rlsd off",     "cts off",    "dsr off", "rlsd off",
                                               "before close", "after close"};
    EXPECT_EQ(calls, expected);
}

TEST_F(ComPortOnPty, SetConnectedOpensAndClosesOnlyOnChange) {
    port.SetConnected(true);
    EXPECT_TRUE(port.Connected());
    EXPECT_NE(port.EventThread(), nullptr) << "all ten events: a thread watches";
    port.SetConnected(true);
    port.SetConnected(false);
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.EventThread(), nullptr);
}

TEST(ComPortOpen, AMissingDeviceRaisesCode1AndLeavesThePortClosed) {
    for (const std::string name : {"/dev/lumiq-no-such-port", "lumiq-no-such-port", ""}) {
        TComPort port;
        port.SetPort(name);
        const EComPort failure = ExpectComFailure(kComOpenFailed, [&] { port.Open(); });
        EXPECT_FALSE(port.Connected());
        EXPECT_EQ(port.EventThread(), nullptr);
        EXPECT_NE(failure.SystemError(), -1) << "name '" << name << "'";
        if (!name.empty()) {
            EXPECT_EQ(failure.SystemError(), ENOENT);
        }
    }
}

TEST(ComPortOpen, AFileThatIsNoTerminalIsRefused) {
    TComPort port;
    port.SetPort("/dev/null");
    EXPECT_EQ(ExpectComFailure(kComOpenFailed, [&] { port.Open(); }).SystemError(), ENOTTY);
}

TEST_F(ComPortOnPty, APortHeldByAnotherOpenerIsRefusedUntilReleased) {
    port.Open();
    TComPort second;
    second.SetPort(pty.SlavePath());
    EXPECT_EQ(ExpectComFailure(kComOpenFailed, [&] { second.Open(); }).SystemError(), EBUSY);
    EXPECT_FALSE(second.Connected());
    port.Close();
    second.Open(); // tried again from scratch
    EXPECT_TRUE(second.Connected());
}

TEST_F(ComPortOnPty, DestroyingAnOpenPortReleasesTheDevice) {
    auto first = std::make_unique<TComPort>();
    first->SetPort(pty.SlavePath());
    first->Open();
    first.reset();
    port.Open();
    EXPECT_TRUE(port.Connected());
}

TEST_F(ComPortOnPty, WriteStrSendsTheBytesAndReadStrReturnsWhatCame) {
    port.Open();
    EXPECT_EQ(port.WriteStr(""), 0);
    EXPECT_EQ(port.WriteStr("AT\r\n"), 4);
    EXPECT_EQ(pty.Receive(4), "AT\r\n");

    pty.Send(std::string("OK\0\r\n", 5));
    ASSERT_TRUE(WaitForInput(5));
    std::string reply = "old";
    EXPECT_EQ(port.ReadStr(reply, 1024), 5);
    EXPECT_EQ(reply, std::string("OK\0\r\n", 5)) << "bytes pass unchanged, NUL included";
}

TEST_F(ComPortOnPty, ReadStrWithNothingQueuedReturnsAtOnce) {
    port.Open();
    std::string text = "previous";
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadStr(text, 1024), 0);
    EXPECT_TRUE(text.empty());
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << "no waiting with the default time-outs";
}

TEST_F(ComPortOnPty, ReadStrTakesAtMostCountAndLeavesTheRestQueued) {
    port.Open();
    std::string sent;
    for (int i = 0; i < 1500; ++i)
        sent.push_back(static_cast<char>('a' + i % 26));
    pty.Send(sent);
    ASSERT_TRUE(WaitForInput(1500));
    std::string text;
    EXPECT_EQ(port.ReadStr(text, 1024), 1024);
    EXPECT_EQ(text, sent.substr(0, 1024));
    EXPECT_EQ(port.InputCount(), 476);
    EXPECT_EQ(port.ReadStr(text, 1024), 476);
    EXPECT_EQ(text, sent.substr(1024));
}

TEST_F(ComPortOnPty, ClearBufferDiscardsTheInputQueue) {
    port.Open();
    pty.Send("stale");
    ASSERT_TRUE(WaitForInput(5));
    port.ClearBuffer(true, false);
    EXPECT_EQ(port.InputCount(), 0);
    EXPECT_EQ(port.OutputCount(), 0);
}

TEST_F(ComPortOnPty, AWriteNobodyTakesEndsWithinItsTimeOut) {
    port.Timeouts().SetWriteTotalMultiplier(0);
    port.Timeouts().SetWriteTotalConstant(200);
    port.Open();
    const std::string lots(4 * 1024 * 1024, 'x'); // far more than the pty buffers
    const auto start = Clock::now();
    const int written = port.WriteStr(lots);
    EXPECT_GT(written, 0);
    EXPECT_LT(written, static_cast<int>(lots.size()));
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
}

TEST_F(ComPortOnPty, AReadWithATotalTimeOutWaitsThatLongForBytes) {
    port.Timeouts().SetReadInterval(0);
    port.Timeouts().SetReadTotalConstant(200);
    port.Open();
    std::string text;
    const auto start = Clock::now();
    EXPECT_EQ(port.ReadStr(text, 10), 0);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(150));
    pty.Send("0123456789");
    EXPECT_EQ(port.ReadStr(text, 10), 10);
}

TEST_F(ComPortOnPty, TheOtherEndVanishingFailsReadsAndWritesWithoutHanging) {
    port.SetEvents({});
    port.Open();
    pty.CloseMaster();
    std::string text;
    EXPECT_EQ(ExpectComFailure(kComReadFailed, [&] { port.ReadStr(text, 1024); }).SystemError(), EIO);
    EXPECT_EQ(ExpectComFailure(kComWriteFailed, [&] { port.WriteStr("AT\r\n"); }).SystemError(), EIO);
    EXPECT_TRUE(port.Connected()) << "a failed transfer leaves the port open";
    port.Close();
}

TEST(ComPortClosed, TransfersOnAClosedPortFailWithTheirCodes) {
    TComPort port;
    std::string text;
    EXPECT_EQ(ExpectComFailure(kComReadFailed, [&] { port.ReadStr(text, 1); }).SystemError(), EBADF);
    EXPECT_EQ(ExpectComFailure(kComWriteFailed, [&] { port.WriteStr("x"); }).SystemError(), EBADF);
    ExpectComFailure(kComClearErrorFailed, [&] { port.InputCount(); });
    ExpectComFailure(kComClearErrorFailed, [&] { port.LastErrors(); });
}

TEST_F(ComPortOnPty, SyncMethodAndPriorityCannotChangeWhileOpen) {
    port.Open();
    const EComPort failure =
        ExpectComFailure(kComPropertyWhileConnected, [&] { port.SetSyncMethod(smNone); });
    EXPECT_STREQ(failure.what(), "Cannot set property while connected");
    EXPECT_EQ(port.SyncMethod(), smThreadSync);
    ExpectComFailure(kComPropertyWhileConnected, [&] { port.SetEventThreadPriority(tpLowest); });
    port.SetSyncMethod(smThreadSync); // unchanged: allowed
    port.Close();
    port.SetSyncMethod(smNone);
    EXPECT_EQ(port.SyncMethod(), smNone);
}

TEST_F(ComPortOnPty, ChangingThePortWhileOpenMovesToTheOtherDevice) {
    PtyPair other;
    port.Open();
    port.SetPort(other.SlavePath());
    EXPECT_TRUE(port.Connected());
    EXPECT_NE(LocalFlags(pty.SlaveFd()) & ICANON, 0u) << "the first device was given back";
    EXPECT_EQ(LocalFlags(other.SlaveFd()) & ICANON, 0u);

    ExpectComFailure(kComOpenFailed, [&] { port.SetPort("/dev/lumiq-no-such-port"); });
    EXPECT_FALSE(port.Connected());
    EXPECT_EQ(port.Port(), "/dev/lumiq-no-such-port");
}

TEST_F(ComPortOnPty, LastErrorsReportsNotedErrorsOnceAndParityOnlyWhenChecked) {
    port.Open();
    port.NoteLineErrors({ceFrame, ceRxParity});
    EXPECT_EQ(port.LastErrors(), TComErrors{ceFrame});
    EXPECT_TRUE(port.LastErrors().empty());
    port.Parity().SetCheck(true);
    port.NoteLineErrors({ceRxParity});
    EXPECT_EQ(port.LastErrors(), TComErrors{ceRxParity});
    EXPECT_TRUE(port.Signals().empty()) << "a pseudo-terminal has no modem lines";
}

} // namespace
} // namespace lumiq
