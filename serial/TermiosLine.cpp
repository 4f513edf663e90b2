#include "serial/TermiosLine.h"

#include <sys/ioctl.h>

#include <cerrno>

#include "serial/PtyFraming.h"
#include "serial/Termios2Rate.h"

namespace lumiq {
namespace {

speed_t StandardSpeed(std::uint32_t rate) {
    switch (rate) {
    case 110:
        return B110;
    case 300:
        return B300;
    case 600:
        return B600;
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    case 460800:
        return B460800;
    case 921600:
        return B921600;
    default:
        return B0;
    }
}

bool HasTermiosForm(const TComDcb& block) {
    const std::uint32_t flags = block.Flags;
    const std::uint32_t dtr = flags & dcb::kDtrMask;
    const std::uint32_t rts = flags & dcb::kRtsMask;
    if (block.ByteSize < 5 || block.ByteSize > 8 || block.Parity > 4)
        return false;
    if (block.StopBits != 0 && block.StopBits != 2)
        return false;
    if (block.BaudRate == 0 || dtr == dcb::kDtrHandshake || rts == dcb::kRtsToggle)
        return false;
    if ((flags & (dcb::kOutDsrFlow | dcb::kDsrSensitivity | dcb::kDiscardNull)) != 0)
        return false;
    return (flags & dcb::kErrorChar) == 0 || block.ErrorChar == 0;
}

void SetFraming(termios& settings, const TComDcb& block) {
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    settings.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    settings.c_cflag |= CREAD | CLOCAL | kSizes[block.ByteSize - 5];
    switch (block.Parity) {
    case 1:
        settings.c_cflag |= PARENB | PARODD;
        break;
    case 2:
        settings.c_cflag |= PARENB;
        break;
    case 3:
        settings.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case 4:
        settings.c_cflag |= PARENB | CMSPAR;
        break;
    default:
        break;
    }
    if (block.StopBits == 2)
        settings.c_cflag |= CSTOPB;
}

// Raw bytes: no echo, no line editing, no translation, breaks are not data.
// A bad byte keeps its value unless the block asks to replace it (INPCK).
void SetRawTransfer(termios& settings, const TComDcb& block) {
    settings.c_iflag = IGNBRK;
    if ((block.Flags & dcb::kErrorChar) != 0)
        settings.c_iflag |= INPCK;
    if ((block.Flags & dcb::kOutX) != 0)
        settings.c_iflag |= IXON;
    if ((block.Flags & dcb::kInX) != 0)
        settings.c_iflag |= IXOFF;
    settings.c_oflag = 0;
    settings.c_lflag = 0;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    settings.c_cc[VSTART] = static_cast<cc_t>(block.XonChar);
    settings.c_cc[VSTOP] = static_cast<cc_t>(block.XoffChar);
    // termios has a single hardware handshake: RTS/CTS both ways.
    if ((block.Flags & dcb::kOutCtsFlow) != 0 || (block.Flags & dcb::kRtsMask) == dcb::kRtsHandshake)
        settings.c_cflag |= CRTSCTS;
}

// A pseudo-terminal has no modem lines: that is not a failure.
int SetModemLine(int fd, int line, bool on) {
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0 || errno == ENOTTY || errno == EINVAL)
        return 0;
    return errno;
}

int SetModemLines(int fd, const TComDcb& block) {
    const std::uint32_t dtr = block.Flags & dcb::kDtrMask;
    const std::uint32_t rts = block.Flags & dcb::kRtsMask;
    if (int error = SetModemLine(fd, TIOCM_DTR, dtr == dcb::kDtrEnable); error != 0)
        return error;
    if (rts == dcb::kRtsHandshake)
        return 0; // the driver drives RTS
    return SetModemLine(fd, TIOCM_RTS, rts == dcb::kRtsEnable);
}

} // namespace

bool NeedsCustomRate(const TComDcb& block) {
    return StandardSpeed(block.BaudRate) == B0;
}

int BuildTermios(const TComDcb& block, termios& settings) {
    if (!HasTermiosForm(block))
        return EINVAL;
    SetFraming(settings, block);
    SetRawTransfer(settings, block);
    const speed_t speed = StandardSpeed(block.BaudRate);
    if (speed != B0 && (::cfsetispeed(&settings, speed) != 0 || ::cfsetospeed(&settings, speed) != 0))
        return errno;
    return 0;
}

int ApplyDcbToTerminal(int fd, const TComDcb& block) {
    termios settings{};
    if (::tcgetattr(fd, &settings) != 0)
        return errno;
    if (int error = BuildTermios(block, settings); error != 0)
        return error;
    if (IsPseudoTerminal(fd))
        KeepPtyFraming(settings);
    if (::tcsetattr(fd, TCSANOW, &settings) != 0)
        return errno;
    if (NeedsCustomRate(block)) {
        if (int error = SetTermios2Rate(fd, block.BaudRate); error != 0)
            return error;
    }
    return SetModemLines(fd, block);
}

} // namespace lumiq
