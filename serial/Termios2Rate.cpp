#include "serial/Termios2Rate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>

namespace lumiq {

int SetTermios2Rate(int fd, std::uint32_t bitsPerSecond) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return errno;
    settings.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    settings.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    settings.c_ispeed = bitsPerSecond;
    settings.c_ospeed = bitsPerSecond;
    if (::ioctl(fd, TCSETS2, &settings) != 0)
        return errno;
    return 0;
}

int ReadTermios2Rate(int fd, std::uint32_t& bitsPerSecond) {
    struct termios2 settings {};
    if (::ioctl(fd, TCGETS2, &settings) != 0)
        return errno;
    bitsPerSecond = settings.c_ospeed;
    return 0;
}

} // namespace lumiq
