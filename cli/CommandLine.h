#pragma once
// The command line, read with CLI11 and checked in full before anything is
// sent: every target, key and value, and the options that go together.

#include <optional>
#include <string>

#include "cli/Request.h"

namespace lumiq::cli {

struct ParsedCommandLine {
    std::optional<Request> request; // nothing when the line was answered already
    int exitStatus = 0;             // then: 0 after --help or --version, 2 after an error (printed)
    // Refused once the line itself was read (a bad target, value or file, options
    // that do not go together): what was asked so far, so that --json still
    // writes its document, and why. A line that cannot be read at all (an
    // unknown option, a missing argument) has neither.
    std::optional<Request> refused;
    std::string error;
};

ParsedCommandLine ParseCommandLine(int argc, char** argv);

} // namespace lumiq::cli
