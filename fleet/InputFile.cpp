#include "fleet/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace lumiq::fleet {
namespace {

[[noreturn]] void Refuse(const std::string& path, const std::string& why) {
    throw InputError(path + ": " + why);
}

std::string_view KindOf(mode_t mode) {
    if (S_ISDIR(mode))
        return "a folder, ";
    if (S_ISFIFO(mode))
        return "a FIFO, ";
    if (S_ISCHR(mode))
        return "a character device, ";
    if (S_ISBLK(mode))
        return "a block device, ";
    if (S_ISSOCK(mode))
        return "a socket, ";
    return "";
}

void RefuseUnlessRegular(const std::string& path, std::string_view what, const struct stat& status) {
    if (S_ISREG(status.st_mode))
        return;
    Refuse(path, std::string(KindOf(status.st_mode)) + "not a regular file; " + std::string(what) +
                     " is read from a regular file only");
}

[[noreturn]] void RefuseTooLarge(const std::string& path, std::string_view what) {
    Refuse(path, "larger than " + std::to_string(kMaxInputFileBytes >> 20) + " MiB, too large for " +
                     std::string(what));
}

class OpenFile {
public:
    explicit OpenFile(int fd) : fd_(fd) {}
    ~OpenFile() { close(fd_); }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    int fd() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::string ReadInputFile(const std::string& path, std::string_view what) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0)
        Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    RefuseUnlessRegular(path, what, status);
    // Non-blocking, so that a FIFO put in its place cannot hold the open.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    const OpenFile file(fd);
    if (fstat(fd, &status) != 0)
        Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
    RefuseUnlessRegular(path, what, status);
    if (static_cast<std::uintmax_t>(status.st_size) > kMaxInputFileBytes)
        RefuseTooLarge(path, what);

    // Read to the end, not to st_size: a file may grow while it is read,
    // and some (those of /proc) tell no size at all.
    std::string contents;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            Refuse(path, std::string("cannot be read: ") + std::strerror(errno));
        if (got == 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(got));
        if (contents.size() > kMaxInputFileBytes)
            RefuseTooLarge(path, what);
    }
    return contents;
}

} // namespace lumiq::fleet
