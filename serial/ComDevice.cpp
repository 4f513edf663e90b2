#include "serial/ComDevice.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "serial/EComPort.h"

namespace lumiq {
namespace {

// Closes the descriptor unless released: a failed open leaves nothing behind.
class FdGuard {
public:
    explicit FdGuard(int fd) : fd_(fd) {}
    ~FdGuard() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FdGuard(const FdGuard&) = delete;
    FdGuard& operator=(const FdGuard&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

[[noreturn]] void RefuseOpen(int error) {
    throw EComPort(kComOpenFailed, error);
}

} // namespace

ComDevice::ComDevice(ComDevice&& other) noexcept : fd_(std::exchange(other.fd_, -1)), saved_(other.saved_) {}

ComDevice& ComDevice::operator=(ComDevice&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        saved_ = other.saved_;
    }
    return *this;
}

std::string ComDevice::PathFor(const std::string& portName) {
    return portName.find('/') != std::string::npos ? portName : "/dev/" + portName;
}

ComDevice ComDevice::OpenExclusive(const std::string& path) {
    FdGuard fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0)
        RefuseOpen(errno);
    termios saved{};
    if (::tcgetattr(fd.get(), &saved) != 0)
        RefuseOpen(errno);
    // Root passes TIOCEXCL, so look whether someone took the port that way.
    int alreadyExclusive = 0;
    if (::ioctl(fd.get(), TIOCGEXCL, &alreadyExclusive) == 0 && alreadyExclusive != 0)
        RefuseOpen(EBUSY);
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0)
        RefuseOpen(errno == EWOULDBLOCK ? EBUSY : errno);
    if (::ioctl(fd.get(), TIOCEXCL) != 0)
        RefuseOpen(errno);
    ComDevice device;
    device.saved_ = saved;
    device.fd_ = fd.release();
    return device;
}

void ComDevice::Close() noexcept {
    if (fd_ < 0)
        return;
    // All of these may fail on a device that is gone; closing still works.
    ::tcsetattr(fd_, TCSANOW, &saved_);
    ::ioctl(fd_, TIOCNXCL);
    ::close(fd_); // also drops the flock
    fd_ = -1;
}

} // namespace lumiq
