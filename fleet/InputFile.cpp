#include "fleet/InputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "base/GbkText.h"

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

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD"; // what GbkToUtf8 makes of a byte that is not GBK

// Well-formed UTF-8: no stray continuation byte, no overlong form, no
// surrogate, nothing beyond U+10FFFF.
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t length = 1;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;
            high = lead == 0xED ? 0x9F : 0xBF;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;
            high = lead == 0xF4 ? 0x8F : 0xBF;
        } else {
            return false;
        }
        if (text.size() - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return false;
        }
        i += length;
    }
    return true;
}

} // namespace

std::string_view TextEncodingName(TextEncoding encoding) {
    switch (encoding) {
    case TextEncoding::Utf8:
        return "UTF-8";
    case TextEncoding::Utf8WithMark:
        return "UTF-8 with a byte-order mark";
    case TextEncoding::Gbk:
        return "GBK";
    }
    return "UTF-8";
}

InputText ReadInputText(const std::string& path, std::string_view what) {
    std::string bytes = ReadInputFile(path, what);
    if (bytes.starts_with(kByteOrderMark)) {
        bytes.erase(0, kByteOrderMark.size());
        if (!IsUtf8(bytes))
            Refuse(path, "starts with a UTF-8 byte-order mark but is not UTF-8 text");
        return {std::move(bytes), TextEncoding::Utf8WithMark};
    }
    if (IsUtf8(bytes))
        return {std::move(bytes), TextEncoding::Utf8};
    std::string text = GbkToUtf8(bytes);
    if (text.find(kReplacement) != std::string::npos)
        Refuse(path, "neither UTF-8 nor GBK text; save it as CSV in UTF-8");
    return {std::move(text), TextEncoding::Gbk};
}

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
