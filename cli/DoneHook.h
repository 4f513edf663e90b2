#pragma once
// A command run for each module the station is done with (--on-done): a
// label printer, a line's own record. It runs through /bin/sh -c, one at a
// time in the order the modules were done, on the Qt loop, so that the
// station goes on while a printer is slow. The module's values come in the
// environment, never in the command's text, so that no value is ever run:
//   LUMIQ_MAC, LUMIQ_NUMBER, LUMIQ_ADAPTER, LUMIQ_ADDRESS_BEFORE,
//   LUMIQ_VERIFIED (yes/no), and LUMIQ_<KEY> for every value given
//   (LUMIQ_IP, LUMIQ_NAME, LUMIQ_PORT, ...).

#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "fleet/Station.h"

class QProcess;

namespace lumiq::cli {

class DoneHook {
public:
    DoneHook(std::string command, std::ostream& messages);
    ~DoneHook();
    DoneHook(const DoneHook&) = delete;
    DoneHook& operator=(const DoneHook&) = delete;

    void run(const fleet::StationModule& module);
    // Waits for the hooks still to run, at most `waitMs` in all.
    void finish(int waitMs);
    int failures() const { return failures_; }

private:
    struct Job {
        std::string mac;
        std::vector<std::string> environment; // "KEY=VALUE"
    };
    void startNext();
    void ended(int exitCode, bool crashed);

    std::string command_;
    std::ostream& messages_;
    std::deque<Job> queue_;
    std::unique_ptr<QProcess> running_;
    std::vector<std::unique_ptr<QProcess>> spent_;
    std::string runningMac_;
    int failures_ = 0;
};

// The environment a hook gets for `module`, "KEY=VALUE" each.
std::vector<std::string> DoneEnvironment(const fleet::StationModule& module);

} // namespace lumiq::cli
