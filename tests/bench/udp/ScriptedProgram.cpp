#include "tests/bench/udp/ScriptedProgram.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <fstream>
#include <sstream>
#include <vector>

#include "tests/support/simbed/SimControl.h"

extern char** environ;

namespace lumiq::bench {
namespace {

// The descriptor the program finds its control socket on.
constexpr int kControlFd = 3;

// Variables of other hooks, and the folders the program gets of its own.
bool Replaced(const char* entry) {
    static const char* const kNames[] = {"LUMIQ_AUTOANSWER_MESSAGES=",
                                         "LUMIQ_DEMO_TOUR=",
                                         "LUMIQ_QUIT_AFTER_MS=",
                                         "LUMIQ_SCREENSHOT=",
                                         "LUMIQ_STARTUP_REPORT=",
                                         "LUMIQ_CONTROL_FD=",
                                         "XDG_RUNTIME_DIR=",
                                         "XDG_CONFIG_HOME=",
                                         "XDG_STATE_HOME=",
                                         "HOME="};
    for (const char* name : kNames)
        if (std::strncmp(entry, name, std::strlen(name)) == 0)
            return true;
    return false;
}

std::string MadeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        throw std::runtime_error("cannot make " + path + ": " + std::strerror(errno));
    return path;
}

std::string Ending(int status) {
    if (WIFEXITED(status))
        return "exit status " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status)) + " (" + strsignal(WTERMSIG(status)) +
               ")";
    return "ended with wait status " + std::to_string(status);
}

} // namespace

ScriptedProgram::ScriptedProgram(const std::string& program, const std::string& folder)
    : outputPath_(folder + "/output.log") {
    std::vector<std::string> variables{"XDG_RUNTIME_DIR=" + MadeFolder(folder + "/runtime"),
                                       "XDG_CONFIG_HOME=" + MadeFolder(folder + "/config"),
                                       "XDG_STATE_HOME=" + MadeFolder(folder + "/state"), "HOME=" + folder,
                                       "LUMIQ_CONTROL_FD=" + std::to_string(kControlFd)};
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        variables.emplace_back("QT_QPA_PLATFORM=offscreen");
    std::vector<char*> environment;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (!Replaced(*entry))
            environment.push_back(*entry);
    for (std::string& variable : variables)
        environment.push_back(variable.data());
    environment.push_back(nullptr);
    char* const argv[] = {const_cast<char*>(program.c_str()), nullptr};

    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0)
        throw std::runtime_error("socketpair failed");
    const int output = open(outputPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    const int nothing = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (output < 0 || nothing < 0)
        throw std::runtime_error("cannot open " + outputPath_);
    // Only async-signal-safe calls after fork().
    pid_ = fork();
    if (pid_ == 0) {
        // The control end first: it may sit on 0, 1 or 2 in a process
        // started with those closed.
        const int control = fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
        if (control < 0 || dup2(nothing, 0) < 0 || dup2(output, 1) < 0 || dup2(output, 2) < 0 ||
            dup2(control, kControlFd) < 0)
            _exit(126);
        execve(program.c_str(), argv, environment.data());
        _exit(127);
    }
    close(ends[1]);
    close(output);
    close(nothing);
    control_ = ends[0];
    if (pid_ < 0)
        throw std::runtime_error("fork failed");
    // Readable once the process has ended: the end can be awaited with a
    // deadline. (Debian 12's <sys/pidfd.h> declares its wrapper without C
    // linkage, so the call goes through syscall().)
    pidfd_ = static_cast<int>(syscall(SYS_pidfd_open, pid_, 0));
    if (pidfd_ < 0)
        throw std::runtime_error(std::string("pidfd_open: ") + std::strerror(errno));
    // The first answer comes once the window is shown and the hooks are armed.
    require("ping", 60000);
}

ScriptedProgram::~ScriptedProgram() {
    if (pid_ > 0 && !reaped_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    if (pidfd_ >= 0)
        close(pidfd_);
    if (control_ >= 0)
        close(control_);
}

std::optional<std::string> ScriptedProgram::ask(const std::string& command, int deadlineMs) {
    if (reaped_)
        gone();
    const std::string line = command + "\n";
    for (std::size_t sent = 0; sent < line.size();) {
        const ssize_t n = send(control_, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            gone();
        sent += static_cast<std::size_t>(n);
    }
    const double deadline = testbed::MonotonicMs() + deadlineMs;
    for (;;) {
        const std::size_t end = buffer_.find('\n');
        if (end != std::string::npos) {
            std::string answer = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (owed_ > 0) {
                --owed_;
                continue;
            }
            return answer;
        }
        const double left = deadline - testbed::MonotonicMs();
        if (left <= 0) {
            ++owed_;
            return std::nullopt;
        }
        pollfd ready{control_, POLLIN, 0};
        if (poll(&ready, 1, static_cast<int>(left) + 1) <= 0)
            continue;
        char chunk[4096];
        const ssize_t got = recv(control_, chunk, sizeof chunk, 0);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            gone();
        buffer_.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string ScriptedProgram::require(const std::string& command, int deadlineMs) {
    std::optional<std::string> answer = ask(command, deadlineMs);
    if (!answer)
        throw std::runtime_error("lumiq-config did not answer '" + command + "' within " +
                                 std::to_string(deadlineMs) + " ms");
    return *answer;
}

bool ScriptedProgram::quit(int deadlineMs) {
    require("quit", deadlineMs);
    if (!awaitEnd(deadlineMs))
        return false;
    return ending_ == "exit status 0";
}

bool ScriptedProgram::awaitEnd(int deadlineMs) {
    if (reaped_)
        return true;
    pollfd gone{pidfd_, POLLIN, 0};
    int status = 0;
    if (poll(&gone, 1, deadlineMs) <= 0 || waitpid(pid_, &status, 0) != pid_)
        return false;
    reaped_ = true;
    ending_ = Ending(status);
    return true;
}

void ScriptedProgram::gone() {
    if (!awaitEnd(10000))
        ending_ = "closed its control socket and went on running";
    throw ProgramEnded("lumiq-config ended: " + ending_);
}

std::string ScriptedProgram::outputTail(int lines) const {
    std::ifstream file(outputPath_);
    std::deque<std::string> last;
    for (std::string line; std::getline(file, line);) {
        last.push_back(line);
        if (static_cast<int>(last.size()) > lines)
            last.pop_front();
    }
    std::string tail;
    for (const std::string& line : last)
        tail += line + "\n";
    return tail;
}

long ScriptedProgram::statusKb(const char* field) const {
    std::ifstream status("/proc/" + std::to_string(pid_) + "/status");
    const std::size_t length = std::strlen(field);
    for (std::string line; std::getline(status, line);)
        if (line.compare(0, length, field) == 0)
            return std::atol(line.c_str() + length);
    return -1;
}

double ScriptedProgram::cpuSeconds() const {
    std::ifstream file("/proc/" + std::to_string(pid_) + "/stat");
    std::string stat;
    std::getline(file, stat);
    // The command name in parentheses may hold blanks; fields count from
    // the state after it (field 3): utime is field 14, stime 15.
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(stat.substr(close + 1));
    std::string field;
    long long ticks = 0;
    for (int number = 3; number <= 15 && fields >> field; ++number)
        if (number >= 14)
            ticks += std::atoll(field.c_str());
    return static_cast<double>(ticks) / static_cast<double>(sysconf(_SC_CLK_TCK));
}

} // namespace lumiq::bench
