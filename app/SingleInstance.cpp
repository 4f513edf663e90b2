#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace lumiq {
namespace {

bool IsPrivateDirectory(const std::string& path) {
    struct stat info {};
    return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid() &&
           (info.st_mode & 077) == 0;
}

// /tmp is shared by every user: the folder must be ours and closed to others,
// or someone else could hold our lock and keep the program from starting.
std::string PrivateTmpFolder(std::string* problem) {
    const std::string folder = "/tmp/lumiq-config-" + std::to_string(getuid());
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        *problem = "cannot create " + folder + ": " + std::strerror(errno);
        return {};
    }
    if (!IsPrivateDirectory(folder)) {
        *problem = folder + " is not a private folder of this user";
        return {};
    }
    return folder;
}

// The lock file for this environment, or empty (problem says why).
std::string LockFilePath(std::string* problem) {
    std::string folder;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/' && IsPrivateDirectory(runtime))
        folder = runtime;
    else
        folder = PrivateTmpFolder(problem);
    if (folder.empty())
        return {};
    return folder + "/" + kInstanceLockName + ".lock";
}

} // namespace

InstanceLock::Result InstanceLock::Acquire() {
    if (fd_ >= 0)
        return Result::Acquired;
    const std::string path = LockFilePath(&problem_);
    if (path.empty())
        return Result::Unavailable;
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        problem_ = "cannot open " + path + ": " + std::strerror(errno);
        return Result::Unavailable;
    }
    int rc;
    do
        rc = flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        fd_ = fd;
        return Result::Acquired;
    }
    const int error = errno;
    close(fd);
    if (error == EWOULDBLOCK)
        return Result::AlreadyRunning;
    problem_ = "cannot lock " + path + ": " + std::strerror(error);
    return Result::Unavailable;
}

InstanceLock::~InstanceLock() {
    if (fd_ >= 0)
        close(fd_); // closing drops the lock
}

} // namespace lumiq
