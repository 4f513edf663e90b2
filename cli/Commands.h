#pragma once
// The subcommands. Each fills the report and returns the exit status; the
// request has been checked in full before any of them runs.

#include "cli/Report.h"
#include "cli/Request.h"

namespace lumiq::cli {

class Interrupt;

int RunAdapters(const Request& request, Report& report);
int RunSearch(const Request& request, Interrupt& interrupt, Report& report);
// Checks of this host; 1 when one finds a problem.
int RunDoctor(const Request& request, Report& report);
// The doctor's report and what support asks for, in one archive.
int RunSupportBundle(const Request& request, Report& report);
// read, get, set and default over the network
int RunOnModules(const Request& request, Interrupt& interrupt, Report& report);
// apply and apply --check over the network
int RunApply(const Request& request, Interrupt& interrupt, Report& report);
// read, get, set and default on the module wired to --serial
int RunOnSerialModule(const Request& request, Interrupt& interrupt, Report& report);

}  // namespace lumiq::cli
