#pragma once
// One open terminal device, held exclusively. Move-only; closing (or
// destroying) gives the device back the terminal settings it had at open.

#include <termios.h>

#include <string>

namespace lumiq {

class ComDevice {
public:
    ComDevice() = default;
    ComDevice(ComDevice&& other) noexcept;
    ComDevice& operator=(ComDevice&& other) noexcept;
    ComDevice(const ComDevice&) = delete;
    ComDevice& operator=(const ComDevice&) = delete;
    ~ComDevice() { Close(); }

    // The device path for a port name: a name that holds a "/" is a path,
    // any other name lies in /dev.
    static std::string PathFor(const std::string& portName);

    // Opens a terminal for reading and writing, non-blocking and not as the
    // controlling terminal, and takes it for this process alone (TIOCEXCL and
    // an exclusive flock). Linux lets a second program open a port, so a
    // device that someone holds that way is refused here. Does not block.
    // Throws EComPort code 1 with errno (ENOTTY for a file that is no
    // terminal, EBUSY for a port held by another program).
    static ComDevice OpenExclusive(const std::string& path);

    int fd() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    // Restores the saved settings, gives up exclusive use, closes. Never fails.
    void Close() noexcept;

private:
    int fd_ = -1;
    termios saved_{};
};

} // namespace lumiq
