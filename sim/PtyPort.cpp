#include "sim/PtyPort.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>

#include <cerrno>
#include <climits>

#include "sim/SysError.h"

namespace lumiq::sim {

namespace {

constexpr std::size_t kLineLimit = 4096;
// A tool that never reads must not make the simulator grow without end.
constexpr std::size_t kOutputLimit = 4u << 20;

} // namespace

PtyPort::PtyPort(std::string linkPath) : linkPath_(std::move(linkPath)) {
    master_ = UniqueFd(posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (!master_)
        ThrowSysError("posix_openpt");
    if (grantpt(master_.get()) != 0 || unlockpt(master_.get()) != 0)
        ThrowSysError("unlockpt");
    char name[PATH_MAX];
    if (ptsname_r(master_.get(), name, sizeof name) != 0)
        ThrowSysError("ptsname");
    devicePath_ = name;
    slave_ = UniqueFd(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!slave_)
        ThrowSysError("open " + devicePath_);
    // Raw from the start: an echoing line discipline would send the
    // module's own replies back to it as commands.
    termios settings{};
    if (tcgetattr(slave_.get(), &settings) != 0)
        ThrowSysError("tcgetattr " + devicePath_);
    cfmakeraw(&settings);
    if (tcsetattr(slave_.get(), TCSANOW, &settings) != 0)
        ThrowSysError("tcsetattr " + devicePath_);

    struct stat existing {};
    if (lstat(linkPath_.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode))
            throw std::runtime_error(linkPath_ + " exists and is not a symbolic link; not replacing it");
        if (unlink(linkPath_.c_str()) != 0)
            ThrowSysError("unlink " + linkPath_);
    }
    if (symlink(devicePath_.c_str(), linkPath_.c_str()) != 0)
        ThrowSysError("symlink " + linkPath_);
}

PtyPort::~PtyPort() {
    char target[PATH_MAX];
    const ssize_t length = readlink(linkPath_.c_str(), target, sizeof target - 1);
    if (length > 0 && std::string(target, static_cast<std::size_t>(length)) == devicePath_)
        unlink(linkPath_.c_str());
}

std::vector<std::string> PtyPort::readLines() {
    char buffer[4096];
    while (true) {
        const ssize_t length = read(master_.get(), buffer, sizeof buffer);
        if (length > 0) {
            input_.append(buffer, static_cast<std::size_t>(length));
            continue;
        }
        // EAGAIN: all read. EIO cannot happen while slave_ is open.
        if (length < 0 && errno == EINTR)
            continue;
        break;
    }
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = input_.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(input_.substr(start, end + 2 - start));
    input_.erase(0, start);
    if (input_.size() > kLineLimit) {
        lines.push_back(input_);
        input_.clear();
    }
    return lines;
}

void PtyPort::write(const std::string& bytes) {
    if (output_.size() + bytes.size() > kOutputLimit)
        return;
    output_ += bytes;
    flush();
}

void PtyPort::flush() {
    while (!output_.empty()) {
        const ssize_t written = ::write(master_.get(), output_.data(), output_.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN: the terminal is full; poll says when it has room
        }
        output_.erase(0, static_cast<std::size_t>(written));
    }
}

} // namespace lumiq::sim
