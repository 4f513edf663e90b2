#include "doctor/ProgramOutput.h"

#include <QStandardPaths>
#include <QString>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

extern char** environ;

namespace lumiq::doctor {
namespace {

using Clock = std::chrono::steady_clock;

class Descriptor {
public:
    Descriptor() = default;
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

struct Pipe {
    Descriptor read, write;
    bool open() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0)
            return false;
        read.reset(ends[0]);
        write.reset(ends[1]);
        return true;
    }
};

// The caller's environment with LC_ALL=C.
std::vector<std::string> CLocaleEnvironment() {
    std::vector<std::string> variables;
    for (char** variable = environ; *variable != nullptr; ++variable)
        if (std::strncmp(*variable, "LC_ALL=", 7) != 0)
            variables.emplace_back(*variable);
    variables.emplace_back("LC_ALL=C");
    return variables;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Reads what one of the program's outputs holds now into `text`, at most up
// to `limit` bytes; false once it is closed or over the limit.
bool ReadSome(int fd, std::string& text, std::size_t limit, bool& tooLong) {
    char chunk[64 * 1024];
    const ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0)
        return errno == EINTR || errno == EAGAIN;
    if (got == 0)
        return false;
    const std::size_t room = limit - std::min(limit, text.size());
    text.append(chunk, std::min(room, static_cast<std::size_t>(got)));
    if (static_cast<std::size_t>(got) > room) {
        tooLong = true;
        return false;
    }
    return true;
}

// Whether the program has ended, leaving it to be reaped.
bool Ended(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid;
}

// Waits for the program's end, reading its outputs meanwhile. Once the
// program itself has ended, what it left in the pipes is read without
// waiting for a child of its that may still hold them. A pidfd tells that
// end at once; without one (an old kernel) it is looked at now and then.
void Collect(pid_t pid, int outFd, int errFd, const ProgramLimits& limits, ProgramOutput& output) {
    const Descriptor endFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));
    const int pollMs = endFd.get() >= 0 ? 1000 : 20;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(limits.ms);
    pollfd watched[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {endFd.get(), POLLIN, 0}};
    std::string* texts[2] = {&output.out, &output.err};
    bool ended = false;
    while (!output.tooLong) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0 && !ended) {
            output.timedOut = true;
            return;
        }
        const int ready = ::poll(watched, 3, ended ? 0 : static_cast<int>(std::min<long long>(left, pollMs)));
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (ready == 0 && ended)
            return; // nothing more is waiting
        for (int i = 0; i < 2; ++i)
            if (watched[i].fd >= 0 && (watched[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0 &&
                !ReadSome(watched[i].fd, *texts[i], limits.bytes, output.tooLong))
                watched[i].fd = -1;
        if (watched[0].fd < 0 && watched[1].fd < 0 && ended)
            return;
        if ((watched[2].revents & POLLIN) != 0 || (endFd.get() < 0 && Ended(pid))) {
            ended = true;
            watched[2].fd = -1;
        }
    }
}

void Reap(pid_t pid, ProgramOutput& output) {
    if (output.timedOut || output.tooLong) {
        ::kill(-pid, SIGKILL);
        ::kill(pid, SIGKILL);
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0)
        if (errno != EINTR)
            return;
    if (output.timedOut || output.tooLong)
        return;
    if (WIFEXITED(status))
        output.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        output.signal = WTERMSIG(status);
}

} // namespace

std::string FindProgram(const std::string& program) {
    const QString name = QString::fromStdString(program);
    QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        path = QStandardPaths::findExecutable(name, {QStringLiteral("/usr/sbin"), QStringLiteral("/sbin")});
    return path.toStdString();
}

ProgramOutput RunProgramForOutput(const std::string& program, const std::vector<std::string>& arguments,
                                  const ProgramLimits& limits) {
    ProgramOutput output;
    const std::string path = program.find('/') != std::string::npos ? program : FindProgram(program);
    if (path.empty() || ::access(path.c_str(), X_OK) != 0)
        return output;
    output.found = true;
    std::vector<std::string> argumentTexts{path};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<std::string> environment = CLocaleEnvironment();
    const std::vector<char*> argv = Pointers(argumentTexts);
    const std::vector<char*> envp = Pointers(environment);

    Pipe out, err;
    if (!out.open() || !err.open()) {
        output.err = std::string("cannot make a pipe: ") + std::strerror(errno);
        return output;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out.write.get(), 1);
    posix_spawn_file_actions_adddup2(&actions, err.write.get(), 2);
    // Its own process group, so that a time-out ends what it started too;
    // signals as a fresh program has them.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
    pid_t pid = -1;
    const int failure = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (failure != 0) {
        output.err = "cannot run " + path + ": " + std::strerror(failure);
        return output;
    }
    out.write.reset();
    err.write.reset();
    Collect(pid, out.read.get(), err.read.get(), limits, output);
    Reap(pid, output);
    return output;
}

} // namespace lumiq::doctor
