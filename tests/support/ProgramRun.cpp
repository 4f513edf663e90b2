#include "tests/support/ProgramRun.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace lumiq::testbed {
namespace {

double NowMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

ProgramResult RunProgram(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    // Everything the child needs is made before fork(): after it, only
    // async-signal-safe calls.
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe2 failed");
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        throw std::runtime_error("pipe2 failed");
    }
    const double started = NowMs();
    const pid_t pid = fork();
    if (pid == 0) {
        const int none = open("/dev/null", O_RDONLY);
        if (none < 0 || dup2(none, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0)
            _exit(126);
        execv(args[0], args.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (pid < 0) {
        close(out[0]);
        close(err[0]);
        throw std::runtime_error("fork failed");
    }
    ProgramResult result;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* into[2] = {&result.out, &result.err};
    const double deadline = started + static_cast<double>(limit.count());
    int reading = 2;
    while (reading > 0) {
        const double left = deadline - NowMs();
        if (left <= 0)
            break;
        const int ready = poll(fds, 2, static_cast<int>(left) + 1);
        if (ready < 0 && errno != EINTR)
            break;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0)
                continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                into[i]->append(buffer, static_cast<std::size_t>(got));
            } else if (got == 0 || errno != EINTR) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --reading;
            }
        }
    }
    for (const pollfd& fd : fds) {
        if (fd.fd >= 0)
            close(fd.fd);
    }
    if (reading > 0)
        kill(pid, SIGKILL);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.elapsedMs = NowMs() - started;
    if (reading > 0)
        throw std::runtime_error(argv.front() + " did not end within " + std::to_string(limit.count()) +
                                 " ms");
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

} // namespace lumiq::testbed
