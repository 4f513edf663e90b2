// Simulated modules on pseudo-terminals, reached as the tool reaches a
// module on its serial port: bare commands, bare replies.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "tests/sim/CommandForms.h"
#include "tests/support/simbed/SimPty.h"

namespace lumiq::testbed {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The tool's end of the line: the terminal device, raw.
class SerialEnd {
public:
    explicit SerialEnd(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        if (fd_ < 0)
            throw std::runtime_error("cannot open " + path);
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    ~SerialEnd() { close(fd_); }

    void write(const std::string& bytes) {
        ASSERT_EQ(::write(fd_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Exactly `count` bytes, or what came before `timeout` ran out.
    std::string read(std::size_t count, std::chrono::milliseconds timeout = 5s) {
        const auto deadline = Clock::now() + timeout;
        std::string bytes;
        while (bytes.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd fd{fd_, POLLIN, 0};
            if (poll(&fd, 1, static_cast<int>(std::max<long long>(0, left.count()))) <= 0)
                break;
            char buffer[4096];
            const ssize_t n = ::read(fd_, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n > 0)
                bytes.append(buffer, static_cast<std::size_t>(n));
        }
        return bytes;
    }

    // Reads as many bytes as `expected` holds and compares.
    void expect(const std::string& expected, const std::string& context = {}) {
        EXPECT_EQ(read(expected.size()), expected) << context;
    }

private:
    int fd_;
};

TEST(PtyModules, AnswerEveryCommandFormWithBareReplies) {
    SimPty pty;
    SerialEnd port(pty.devicePath());
    for (const auto& form : sim::CommandForms()) {
        port.write(form.command + "\r\n");
        port.expect(form.payload, form.command);
    }
}

TEST(PtyModules, EachPortIsItsOwnModule) {
    SimPty pty(2);
    EXPECT_EQ(pty.serialPorts(), pty.devicePath(0) + ":" + pty.devicePath(1));
    SerialEnd first(pty.devicePath(0));
    SerialEnd second(pty.devicePath(1));
    second.write("AT+MAC=?\r\n");
    first.write("AT+MAC=?\r\n");
    second.expect("+MAC=02:4c:51:00:00:02\r\n");
    first.expect("+MAC=02:4c:51:00:00:01\r\n");
}

TEST(PtyModules, CommandsArriveInPiecesOrSeveralAtOnce) {
    SimPty pty;
    SerialEnd port(pty.devicePath());
    port.write("AT+VE");
    pty.control().command("ping"); // the first piece has been read by now, or will be with the rest
    port.write("R=?\r\nAT\r\n");
    port.expect("+VER=V2.0\r\nOK");
    const auto frames = pty.control().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].bytes, "AT+VER=?\r\n");
    EXPECT_EQ(frames[0].link, "pty");
    EXPECT_EQ(frames[0].peer, pty.devicePath());
    EXPECT_EQ(frames[0].modules, std::vector<int>{0});
}

TEST(PtyModules, EndlessLineIsDroppedAsJunkAndTheNextCommandStillWorks) {
    SimPty pty;
    SerialEnd port(pty.devicePath());
    port.write(std::string(5000, 'A'));
    pty.control().waitFrames(1);
    port.write("AT\r\n");
    port.expect("OK");
    const auto frames = pty.control().received();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_TRUE(frames[0].modules.empty());
    EXPECT_EQ(frames[0].bytes, std::string(5000, 'A'));
    EXPECT_EQ(frames[1].bytes, "AT\r\n");
}

TEST(PtyModules, ShowEveryFault) {
    SimPty pty;
    SerialEnd port(pty.devicePath());
    auto& control = pty.control();
    std::size_t frames = 0;
    const auto exchange = [&](const std::string& command) {
        port.write(command + "\r\n");
        control.waitFrames(++frames);
    };

    // Replies come in order, so whatever a fault wrongly sent would stand
    // before the answer to the next sound command.
    control.fault(0, "silent on");
    exchange("AT+MODEL=1");
    control.fault(0, "clear");
    exchange("AT+MODEL=?");
    port.expect("+MODEL=0\r\n", "a silent module answered or took the set");

    control.fault(0, "wrong 1");
    exchange("AT+MODEL=?");
    exchange("AT+MODEL=?");
    port.expect("ERROR\r\n+MODEL=0\r\n");

    control.fault(0, "twice on");
    exchange("AT");
    port.expect("OKOK");
    control.fault(0, "clear");

    control.fault(0, "malformed binary");
    exchange("AT");
    const std::string binary = port.read(64);
    ASSERT_EQ(binary.size(), 64u);
    EXPECT_EQ(binary[0], '\0');

    control.fault(0, "delay 200");
    const auto sent = Clock::now();
    exchange("AT");
    port.expect("OK");
    EXPECT_GE(Clock::now() - sent, 200ms);
    control.fault(0, "clear");
    exchange("AT+DCHP=?");
    port.expect("+DCHP=0\r\n");
}

TEST(PtyModules, LinksGoWhenTheSimulatorEnds) {
    std::string link;
    {
        SimPty pty;
        link = pty.devicePath();
        EXPECT_TRUE(std::filesystem::is_symlink(link));
        EXPECT_EQ(pty.stopSimulator(), 0) << "the simulator did not end cleanly";
        EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
        EXPECT_FALSE(std::filesystem::exists(pty.controlPath()));
    }
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(link)));
}

} // namespace
} // namespace lumiq::testbed
