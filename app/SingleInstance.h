#pragma once
// Marks a running copy of the program: an exclusive flock on a lock file
// named after "Tevaro设置软件" in $XDG_RUNTIME_DIR (else in a per-user folder
// under /tmp, mode 0700). The kernel drops the lock when the process ends in
// any way, so a crashed copy never blocks the next start.

#include <string>

namespace lumiq {

inline constexpr const char* kInstanceLockName = "Tevaro设置软件";

class InstanceLock {
public:
    enum class Result {
        Acquired,       // this is the only copy; held until destruction
        AlreadyRunning, // another copy holds the lock
        Unavailable,    // no lock file could be made; run unguarded
    };

    InstanceLock() = default;
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result Acquire();
    // Why the lock is unavailable (empty otherwise).
    const std::string& Problem() const { return problem_; }

private:
    int fd_ = -1;
    std::string problem_;
};

} // namespace lumiq
