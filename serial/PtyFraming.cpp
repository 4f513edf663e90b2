#include "serial/PtyFraming.h"

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace lumiq {
namespace {
// Device majors of pseudo-terminal slaves: Unix98 (136 to 143) and the legacy
// BSD-style ones (3).
constexpr unsigned kUnix98PtySlaveFirst = 136;
constexpr unsigned kUnix98PtySlaveLast = 143;
constexpr unsigned kLegacyPtySlave = 3;
} // namespace

bool IsPseudoTerminal(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISCHR(info.st_mode))
        return false;
    const unsigned majorNumber = major(info.st_rdev);
    return majorNumber == kLegacyPtySlave ||
           (majorNumber >= kUnix98PtySlaveFirst && majorNumber <= kUnix98PtySlaveLast);
}

void KeepPtyFraming(termios& settings) {
    settings.c_cflag &= ~(CSIZE | PARENB);
    settings.c_cflag |= CS8;
}

} // namespace lumiq
