// The test bed itself: everything it builds goes away, also when a test
// fails; the simulator refuses the machine's own network; scripts/netbed
// runs a command in a bed and cleans up after it, on Ctrl+C too.

#include <fcntl.h>
#include <net/if.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/simbed/SimLan.h"

extern char** environ;

namespace lumiq::testbed {
namespace {

namespace fs = std::filesystem;

bool NamespaceExists(const std::string& name) {
    return fs::exists("/run/netns/" + name);
}

bool ProcessExists(pid_t pid) {
    return kill(pid, 0) == 0 || errno != ESRCH;
}

// A program started with its output (stdout and stderr) on a pipe.
class Program {
public:
    Program(std::vector<std::string> argv, bool ownProcessGroup = false) {
        int out[2];
        int in[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(in, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe2");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, out[1], 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        if (ownProcessGroup) {
            posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
            posix_spawnattr_setpgroup(&attributes, 0);
        }
        std::vector<char*> raw;
        for (auto& arg : argv)
            raw.push_back(arg.data());
        raw.push_back(nullptr);
        const int error = posix_spawn(&pid_, raw[0], &actions, &attributes, raw.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
        close(out[1]);
        close(in[0]);
        output_ = out[0];
        input_ = in[1]; // held open: a command reading stdin waits
        if (error != 0)
            throw std::runtime_error("cannot start " + argv[0]);
    }
    ~Program() {
        close(output_);
        close(input_);
        if (pid_ > 0)
            finish();
    }

    pid_t pid() const { return pid_; }

    // Output up to and including `text`, or all of it when the program ends first.
    std::string readUntil(const std::string& text) {
        while (output_text_.find(text) == std::string::npos) {
            pollfd fd{output_, POLLIN, 0};
            if (poll(&fd, 1, 30000) <= 0)
                break;
            char buffer[4096];
            const ssize_t n = read(output_, buffer, sizeof buffer);
            if (n <= 0)
                break;
            output_text_.append(buffer, static_cast<std::size_t>(n));
        }
        return output_text_;
    }

    // Reads the rest of the output, then returns the wait status.
    int finish() {
        readUntil(std::string(1, '\0')); // never printed: reads to the end
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }
    const std::string& output() const { return output_text_; }

private:
    pid_t pid_ = -1;
    int output_ = -1;
    int input_ = -1;
    std::string output_text_;
};

std::string Netbed() {
    return std::string(std::getenv("LUMIQ_SOURCE_DIR")) + "/scripts/netbed";
}

TEST(SimLanTeardown, RemovesEverythingAlsoWhenTheTestFails) {
    for (const bool fails : {false, true}) {
        std::string ns, hostInterface, control;
        pid_t sim = 0;
        try {
            SimLan lan({.modules = 2});
            ns = lan.lan().name();
            hostInterface = lan.hostInterface();
            control = lan.controlPath();
            sim = lan.simulatorPid();
            ASSERT_TRUE(NamespaceExists(ns));
            ASSERT_NE(if_nametoindex(hostInterface.c_str()), 0u);
            if (fails)
                throw std::runtime_error("a failing test");
            EXPECT_EQ(lan.stopSimulator(), 0) << "the simulator did not end cleanly";
            EXPECT_FALSE(fs::exists(control)) << "the simulator left its control socket";
        } catch (const std::runtime_error&) {
            EXPECT_TRUE(fails);
        }
        EXPECT_FALSE(NamespaceExists(ns)) << ns;
        EXPECT_EQ(if_nametoindex(hostInterface.c_str()), 0u) << hostInterface;
        EXPECT_FALSE(fs::exists(control));
        EXPECT_FALSE(ProcessExists(sim));
    }
}

TEST(SimLanTeardown, ASimulatorThatCannotStartLeavesNothingBehind) {
    const auto ours = [] {
        int count = 0;
        for (const auto& entry : fs::directory_iterator("/run/netns"))
            count += entry.path().filename().string().starts_with("lumiq-simlan-" + std::to_string(getpid()) +
                                                                  "-");
        return count;
    };
    const int before = ours();
    try {
        SimLan lan({.modules = 1, .moduleFile = "/nonexistent/modules.ini"});
        ADD_FAILURE() << "a missing module file went unnoticed";
    } catch (const std::runtime_error& error) {
        EXPECT_NE(std::string(error.what()).find("exit status 2"), std::string::npos) << error.what();
    }
    EXPECT_EQ(ours(), before);
}

TEST(SimSafety, RefusesTheMachinesOwnNetworkUnlessForced) {
    const std::string control = testing::TempDir() + "/refusal-" + std::to_string(getpid()) + ".sock";
    Program refused(
        {SimBinary(), "--modules", "1", "--machine-netns", "/proc/self/ns/net", "--control", control});
    const int status = refused.finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 3) << status;
    EXPECT_NE(refused.output().find("refusing to answer on UDP: this is the machine's own network namespace"),
              std::string::npos)
        << refused.output();
    EXPECT_NE(refused.output().find("scripts/netbed run"), std::string::npos);
    EXPECT_FALSE(fs::exists(control));
    // A module on a terminal alone sends nothing on a network, so it may run anywhere.
    SimProcess ptyOnly({"--modules", "0", "--pty", control + ".tty", "--machine-netns", "/proc/self/ns/net",
                        "--control", control});
    EXPECT_EQ(ptyOnly.stop(), 0);
    SimProcess forced({"--modules", "1", "--machine-netns", "/proc/self/ns/net",
                       "--dangerous-use-host-network", "--control", control});
    EXPECT_EQ(forced.stop(), 0);
}

TEST(SimAliases, AddedAtStartAndTakenBackAtTheEndLeavingOthers) {
    const std::string control = testing::TempDir() + "/aliases-" + std::to_string(getpid()) + ".sock";
    const auto addresses = [] {
        Program show(
            {"/bin/sh", "-c", "ip -4 -o addr show dev lqalias | awk '{print $4}' | sort | tr '\\n' ' '"});
        show.finish();
        return show.output();
    };
    testbed::Run("ip link add lqalias type veth peer name lqaliaspeer && ip link set lqalias up && ip addr "
                 "add 10.77.1.2/32 dev lqalias");
    {
        SimProcess sim({"--modules", "3", "--alias-dev", "lqalias", "--control", control});
        EXPECT_EQ(addresses(), "10.77.1.1/32 10.77.1.2/32 10.77.1.3/32 ");
        EXPECT_EQ(sim.stop(), 0);
    }
    EXPECT_EQ(addresses(), "10.77.1.2/32 ");
    testbed::Run("ip link del lqalias");
}

TEST(Netbed, RunsTheCommandInsideAndRemovesTheBed) {
    const std::string tty = testing::TempDir() + "/netbed-tty-" + std::to_string(getpid());
    Program bed({Netbed(), "run", "--modules", "2", "--pty", tty, "--", "sh", "-c",
                 "echo lan=$LUMIQ_NETBED_LAN; ip -4 -br addr show lqnb-host; \"$LUMIQ_SIM\" ctl list;"
                 "echo ports=$LUMIQ_SERIAL_PORTS; test -L \"$LUMIQ_SERIAL_PORTS\" && echo linked; exit 7"});
    const int status = bed.finish();
    const std::string& out = bed.output();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << out;
    EXPECT_NE(out.find("10.77.0.1/16"), std::string::npos) << out;
    EXPECT_NE(out.find("1 mac=02:4c:51:00:00:02 address=10.77.1.2 link=udp"), std::string::npos) << out;
    EXPECT_NE(out.find("2 mac=02:4c:51:00:00:03 link=pty"), std::string::npos) << out;
    EXPECT_NE(out.find("ports=" + tty + "\nlinked"), std::string::npos) << out;
    const std::size_t at = out.find("lan=");
    ASSERT_NE(at, std::string::npos);
    const std::string name = out.substr(at + 4, out.find('\n', at) - at - 4);
    EXPECT_TRUE(name.starts_with("lqnb-")) << name;
    EXPECT_FALSE(NamespaceExists(name));
    EXPECT_FALSE(fs::exists(fs::symlink_status(tty)));
}

TEST(Netbed, FailsCleanlyWhenTheSimulatorCannotStart) {
    Program bed({Netbed(), "run", "--config", "/nonexistent/modules.ini", "--", "true"});
    const pid_t pid = bed.pid();
    const int status = bed.finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) != 0);
    EXPECT_NE(bed.output().find("cannot read the module file"), std::string::npos) << bed.output();
    EXPECT_FALSE(NamespaceExists("lqnb-" + std::to_string(pid) + "-0"));
}

TEST(Netbed, CtrlCRemovesTheBed) {
    Program bed({Netbed(), "run", "--modules", "1", "--", "sh", "-c", "echo up; exec cat"}, true);
    ASSERT_NE(bed.readUntil("up\n").find("up\n"), std::string::npos) << bed.output();
    const std::string name = "lqnb-" + std::to_string(bed.pid()) + "-0";
    EXPECT_TRUE(NamespaceExists(name));
    kill(-bed.pid(), SIGINT); // as the terminal does: to the whole process group
    const int status = bed.finish();
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 130) << status << bed.output();
    EXPECT_FALSE(NamespaceExists(name));
}

TEST(Netbed, CleanupRemovesOnlyNamespacesOfDeadProcesses) {
    const pid_t gone = fork();
    if (gone == 0)
        _exit(0);
    waitpid(gone, nullptr, 0);
    const std::string stale = "lumiq-stale-" + std::to_string(gone) + "-0";
    const std::string live = "lumiq-stale-" + std::to_string(getpid()) + "-1";
    testbed::Run("ip netns add " + stale);
    testbed::Run("ip netns add " + live);
    Program cleanup({Netbed(), "cleanup"});
    EXPECT_EQ(cleanup.finish(), 0) << cleanup.output();
    EXPECT_FALSE(NamespaceExists(stale));
    EXPECT_TRUE(NamespaceExists(live));
    testbed::Run("ip netns del " + live);
}

} // namespace
} // namespace lumiq::testbed
