#pragma once
// One running lumiq-sim for a test: started (inside a network namespace or
// here), waited for until it says it is ready, stopped by the destructor.
// It ends by itself when the thread that started it ends (so a crashed test
// leaves no simulator behind); start it from the test's own thread.

#include <sys/types.h>

#include <string>
#include <vector>

namespace lumiq::testbed {

// ${LUMIQ_BINARY_DIR}/sim/lumiq-sim (lumiq_add_test sets the variable),
// else the simulator of the build this test bed belongs to.
std::string SimBinary();

// A private folder for one test bed's files (control socket, frame log,
// terminal links) under $XDG_RUNTIME_DIR, or /tmp; removed with everything
// in it by the destructor.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

class SimProcess {
public:
    // Runs SimBinary() with `args` (plus --ready-fd and --exit-with-parent),
    // inside the named network namespace when `netns` is not empty. Returns
    // once the simulator serves; throws with its exit status when it ends
    // first, or when it is not ready within 10 s.
    SimProcess(const std::vector<std::string>& args, const std::string& netns = {});
    // stop(), ignoring the result.
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Asks it to end (SIGTERM), waits up to 5 s, then kills it. Returns the
    // wait status (see waitpid); a clean end is 0. Later calls return the
    // same status.
    int stop();

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

} // namespace lumiq::testbed
