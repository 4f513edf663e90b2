#include "cli/Commands.h"
#include "cli/ExitStatus.h"

namespace lumiq::cli {

int RunAdapters(const Request&, Report& report) {
    report.adapters = ListAdapters();
    return report.adapters.empty() ? kExitUnusable : kExitOk;
}

}  // namespace lumiq::cli
