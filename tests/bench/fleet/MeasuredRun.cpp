#include "tests/bench/fleet/MeasuredRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace lumiq::bench {
namespace {

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The output goes to memory files rather than pipes: nothing has to drain
// them while the program runs, so the wait is one poll() on its pidfd.
int MemoryFile(const char* name) {
    const int fd = memfd_create(name, MFD_CLOEXEC);
    if (fd < 0)
        throw std::runtime_error("memfd_create failed");
    return fd;
}

std::string ReadAll(int fd) {
    std::string text;
    char buffer[65536];
    ssize_t got;
    while ((got = pread(fd, buffer, sizeof buffer, static_cast<off_t>(text.size()))) > 0)
        text.append(buffer, static_cast<std::size_t>(got));
    close(fd);
    return text;
}

} // namespace

MeasuredResult RunMeasured(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    const int out = MemoryFile("out");
    const int err = MemoryFile("err");
    const double started = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        const int none = open("/dev/null", O_RDONLY);
        if (none < 0 || dup2(none, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0)
            _exit(126);
        execv(args[0], args.data());
        _exit(127);
    }
    if (pid < 0) {
        close(out);
        close(err);
        throw std::runtime_error("fork failed");
    }
    const int ended = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    bool done = false;
    if (ended >= 0) {
        pollfd watch{ended, POLLIN, 0};
        int ready;
        while ((ready = poll(&watch, 1, static_cast<int>(limit.count()))) < 0 && errno == EINTR) {
        }
        done = ready > 0;
        close(ended);
    }
    if (!done)
        kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    MeasuredResult result;
    result.elapsedMs = NowMs() - started;
    result.out = ReadAll(out);
    result.err = ReadAll(err);
    if (!done)
        throw std::runtime_error(argv.front() + " did not end within " + std::to_string(limit.count()) +
                                 " ms");
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

} // namespace lumiq::bench
