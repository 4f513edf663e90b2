// lumiq doctor: the known reasons why a search finds nothing on Linux, each
// looked at on this host as the tools would meet it.

#include "cli/AdapterCheck.h"
#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/FirewallCheck.h"
#include "cli/SerialCheck.h"
#include "cli/SocketCheck.h"

namespace lumiq::cli {

int RunDoctor(const Request&, Report& report) {
    report.adapters = ListAdapters();
    for (std::vector<Finding> found : {CheckHostAdapters(), CheckSockets(), CheckFirewalls()})
        report.findings.insert(report.findings.end(), found.begin(), found.end());
    report.findings.push_back(CheckSerial());
    return AnyProblem(report.findings) ? kExitFailed : kExitOk;
}

} // namespace lumiq::cli
