#include "tests/support/simbed/SimProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

namespace lumiq::testbed {

namespace {

constexpr int kReadyTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

// Waits for the process to end, at most `timeoutMs`; true when it ended.
bool WaitForExit(pid_t pid, int timeoutMs) {
    const int pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    if (pidfd < 0)
        return false;
    pollfd fd{pidfd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&fd, 1, timeoutMs);
    } while (ready < 0 && errno == EINTR);
    close(pidfd);
    return ready > 0;
}

std::string Describe(int status) {
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return "wait status " + std::to_string(status);
}

} // namespace

std::string SimBinary() {
    if (const char* dir = std::getenv("LUMIQ_BINARY_DIR"); dir != nullptr && *dir != '\0')
        return std::string(dir) + "/sim/lumiq-sim";
    return LUMIQ_SIM_BINARY;
}

ScratchDir::ScratchDir() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string pattern =
        std::string(runtime != nullptr && *runtime != '\0' ? runtime : "/tmp") + "/lumiq-simbed.XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("mkdtemp " + pattern + ": " + std::strerror(errno));
    path_ = pattern;
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

SimProcess::SimProcess(const std::vector<std::string>& args, const std::string& netns) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    std::vector<std::string> argv{SimBinary()};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.insert(argv.end(),
                {"--ready-fd", std::to_string(ready[1]), "--exit-with-parent", std::to_string(getpid())});
    std::vector<char*> raw;
    for (auto& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);
    int nsfd = -1;
    if (!netns.empty()) {
        nsfd = open(("/run/netns/" + netns).c_str(), O_RDONLY | O_CLOEXEC);
        if (nsfd < 0) {
            close(ready[0]);
            close(ready[1]);
            throw std::runtime_error("no network namespace " + netns);
        }
    }
    // After fork() only async-signal-safe calls.
    pid_ = fork();
    if (pid_ == 0) {
        if (nsfd >= 0 && setns(nsfd, CLONE_NEWNET) != 0)
            _exit(126);
        if (fcntl(ready[1], F_SETFD, 0) != 0)
            _exit(126); // this end goes to the simulator
        execv(raw[0], raw.data());
        _exit(127);
    }
    if (nsfd >= 0)
        close(nsfd);
    close(ready[1]);
    if (pid_ < 0) {
        close(ready[0]);
        throw std::runtime_error("fork failed");
    }
    char buffer[16] = {};
    pollfd fd{ready[0], POLLIN, 0};
    int got;
    do {
        got = poll(&fd, 1, kReadyTimeoutMs);
    } while (got < 0 && errno == EINTR);
    const ssize_t length = got > 0 ? read(ready[0], buffer, sizeof buffer - 1) : 0;
    close(ready[0]);
    if (length <= 0 || std::strncmp(buffer, "ready", 5) != 0) {
        const std::string why = got == 0 ? "was not ready within 10 s" : "ended before it was ready";
        const int status = stop();
        throw std::runtime_error("lumiq-sim " + why + " (" + Describe(status) + ")");
    }
}

SimProcess::~SimProcess() {
    stop();
}

int SimProcess::stop() {
    if (pid_ <= 0)
        return status_;
    kill(pid_, SIGTERM);
    if (!WaitForExit(pid_, kStopTimeoutMs))
        kill(pid_, SIGKILL);
    while (waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status_;
}

} // namespace lumiq::testbed
