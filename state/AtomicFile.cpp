#include "state/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

namespace lumiq {

namespace {

[[noreturn]] void ThrowErrno(const std::string& what) {
    throw std::system_error(errno, std::generic_category(), what);
}

// Closes the descriptor unless it was closed on purpose (to see close's error).
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return fd_; }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

void WriteAll(int fd, std::string_view bytes, const std::string& path) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("write " + path);
        }
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
}

// The file a path finally names: a link's target, so that renaming over it
// keeps the link. A dangling link is replaced by a file of its own.
std::string ResolvedTarget(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
        return path;
    char resolved[PATH_MAX];
    if (::realpath(path.c_str(), resolved) == nullptr)
        return path;
    return resolved;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return "/";
    return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates a fresh file beside `target`; its name starts with a dot and the
// target's name so that a left-over one is recognisable.
int CreateTemporaryBeside(const std::string& target, std::string& temporaryPath) {
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporaryPath = FolderOf(target) + "/." + NameOf(target) + ".tmp-" + std::to_string(::getpid()) +
                        "-" + std::to_string(counter++);
        const int fd = ::open(temporaryPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        if (errno == ENOENT)
            return std::nullopt;
        ThrowErrno("open " + path);
    }
    std::string contents;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            ThrowErrno("read " + path);
        }
        if (got == 0)
            break;
        contents.append(buffer, static_cast<std::size_t>(got));
    }
    return contents;
}

void ReplaceFileContents(const std::string& path, std::string_view contents) {
    const std::string target = ResolvedTarget(path);
    std::string temporaryPath;
    FileDescriptor fd(CreateTemporaryBeside(target, temporaryPath));
    if (fd.get() < 0)
        ThrowErrno("create a file beside " + target);

    try {
        struct stat old {};
        if (::stat(target.c_str(), &old) == 0) {
            if (::fchmod(fd.get(), old.st_mode & 07777) != 0)
                ThrowErrno("chmod " + temporaryPath);
            // Root saving someone else's file hands it back to its owner;
            // anyone else cannot, and the file is theirs anyway.
            if (::geteuid() == 0 && ::fchown(fd.get(), old.st_uid, old.st_gid) != 0)
                ThrowErrno("chown " + temporaryPath);
        }
        WriteAll(fd.get(), contents, temporaryPath);
        if (::fsync(fd.get()) != 0)
            ThrowErrno("fsync " + temporaryPath);
        if (::close(fd.release()) != 0)
            ThrowErrno("close " + temporaryPath);
        if (::rename(temporaryPath.c_str(), target.c_str()) != 0)
            ThrowErrno("rename to " + target);
    } catch (...) {
        ::unlink(temporaryPath.c_str());
        throw;
    }

    // The rename itself reaches the disk with the folder; a failure here
    // cannot undo it, so it is not reported.
    FileDescriptor folder(::open(FolderOf(target).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.get() >= 0)
        ::fsync(folder.get());
}

} // namespace lumiq
