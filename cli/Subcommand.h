#pragma once
// One subcommand of lumiq: its name, its options on the command line, what it
// checks once the whole line is read, the form of its report, and its run.
// The command line and main() call nothing else of it; cli/Subcommands.cpp
// lists them all.

#include <string_view>
#include <vector>

#include "cli/Report.h"

namespace CLI {
class App;
}

namespace lumiq::cli {

class Interrupt;
struct OutputFlags;
struct Request;

class Subcommand {
public:
    virtual ~Subcommand() = default;
    virtual std::string_view name() const = 0;
    // Adds it to `app` with its help and options, which fill `request` and
    // `output`; the command line notes which one was given.
    virtual CLI::App& addTo(CLI::App& app, Request& request, OutputFlags& output) = 0;
    // Once the line is read, before anything is sent: its items and options
    // together. Throws UsageError.
    virtual void check(Request&) const {}
    virtual ReportForm form() const = 0;
    // The parameters its report shows, in order.
    virtual std::vector<Param> columns(const Request&) const { return {}; }
    // Its failures are told module by module on stderr as well.
    virtual bool worksOnModules() const { return false; }
    // Fills the report and gives the exit status.
    virtual int run(const Request& request, Interrupt& interrupt, Report& report) const = 0;
};

} // namespace lumiq::cli
