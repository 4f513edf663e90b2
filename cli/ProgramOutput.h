#pragma once
// Runs a system program to its end and keeps what it printed, for the checks
// that ask the system's own tools (nft, iptables, ufw, ip). Programs run in
// the C locale, so that their texts can be read.

#include <string>
#include <vector>

namespace lumiq::cli {

struct ProgramOutput {
    bool found = false;  // false: not installed (nothing else is set)
    int exitStatus = -1; // -1 when it crashed or did not end in time
    std::string out;
    std::string err;
};

// `program` is looked for in PATH and in /usr/sbin and /sbin, where Debian
// keeps administration programs out of a normal user's PATH.
ProgramOutput RunProgramForOutput(const std::string& program, const std::vector<std::string>& arguments,
                                  int limitMs = 10000);

// Where that search finds `program`; empty when nowhere.
std::string FindProgram(const std::string& program);

} // namespace lumiq::cli
