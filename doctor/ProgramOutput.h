#pragma once
// Runs a system program to its end and keeps what it printed, for the checks
// that ask the system's own tools (nft, iptables, ufw, ip). Programs run in
// the C locale, so that their texts can be read. A program that hangs (a
// firewall tool waiting on a dead D-Bus) or prints without end is killed at
// its limit, with whatever it started in its own process group.

#include <cstddef>
#include <string>
#include <vector>

namespace lumiq::doctor {

struct ProgramLimits {
    int ms = 10000;
    std::size_t bytes = 16 * 1024 * 1024; // of stdout, and again of stderr
};

struct ProgramOutput {
    bool found = false;    // false: not installed (nothing else is set)
    int exitStatus = -1;   // -1 when it did not exit by itself
    int signal = 0;        // the signal that ended it, unless it was killed at a limit
    bool timedOut = false; // killed after ProgramLimits::ms
    bool tooLong = false;  // killed on printing more than ProgramLimits::bytes; out and err stop there
    std::string out;
    std::string err;
};

// `program` is looked for in PATH and in /usr/sbin and /sbin, where Debian
// keeps administration programs out of a normal user's PATH.
ProgramOutput RunProgramForOutput(const std::string& program, const std::vector<std::string>& arguments,
                                  const ProgramLimits& limits = {});

// Where that search finds `program`; empty when nowhere.
std::string FindProgram(const std::string& program);

} // namespace lumiq::doctor
