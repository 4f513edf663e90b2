#pragma once
// The command line, read with CLI11 and checked in full before anything is
// sent: every target, key and value, and the options that go together.

#include <optional>

#include "cli/Request.h"

namespace lumiq::cli {

struct ParsedCommandLine {
    std::optional<Request> request;  // nothing when the line was answered already
    int exitStatus = 0;              // then: 0 after --help or --version, 2 after an error (printed)
};

ParsedCommandLine ParseCommandLine(int argc, char** argv);

}  // namespace lumiq::cli
