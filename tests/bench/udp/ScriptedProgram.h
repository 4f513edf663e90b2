#pragma once
// lumiq-config itself (the test build lumiq-config-scripted), started for a
// benchmark and driven over its control socket (LUMIQ_CONTROL_FD,
// tests/support/rigging/ScriptControl.h), with the figures the
// kernel keeps about it. The program runs offscreen with folders of its own
// (runtime, configuration, state) under the folder given, its output kept
// in a file there. The destructor kills it if it still runs.

#include <sys/types.h>

#include <optional>
#include <stdexcept>
#include <string>

namespace lumiq::bench {

// Thrown when the program has ended while it was being driven.
struct ProgramEnded : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class ScriptedProgram {
public:
    ScriptedProgram(const std::string& program, const std::string& folder);
    ~ScriptedProgram();
    ScriptedProgram(const ScriptedProgram&) = delete;
    ScriptedProgram& operator=(const ScriptedProgram&) = delete;

    // Sends one command and returns its answer line; nothing when none came
    // within `deadlineMs` (the late answer is skipped when it comes). Throws
    // ProgramEnded when the program is gone.
    std::optional<std::string> ask(const std::string& command, int deadlineMs = 30000);
    // The answer, or std::runtime_error naming the command.
    std::string require(const std::string& command, int deadlineMs = 30000);
    // Asks to quit and waits for the end; true when it ended with status 0.
    bool quit(int deadlineMs);

    // How it ended ("exit status 0", "killed by signal 11 (Segmentation
    // fault)"); empty while it runs.
    const std::string& ending() const { return ending_; }
    // The last lines the program wrote to stdout and stderr.
    std::string outputTail(int lines) const;

    // From /proc: resident and peak resident memory (VmRSS, VmHWM) in kB,
    // and CPU time used (user and system) in seconds.
    long residentKb() const { return statusKb("VmRSS:"); }
    long peakResidentKb() const { return statusKb("VmHWM:"); }
    double cpuSeconds() const;

private:
    long statusKb(const char* field) const;
    // Waits up to deadlineMs for the process to end; records how.
    bool awaitEnd(int deadlineMs);
    // The control socket is closed: waits a little for the end, then throws
    // ProgramEnded.
    [[noreturn]] void gone();

    std::string outputPath_;
    pid_t pid_ = -1;
    int pidfd_ = -1;
    int control_ = -1;
    std::string buffer_;
    int owed_ = 0; // answers of timed-out commands still to come
    bool reaped_ = false;
    std::string ending_;
};

} // namespace lumiq::bench
