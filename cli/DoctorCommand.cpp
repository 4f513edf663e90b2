// lumiq doctor: the known reasons why a search finds nothing on Linux, each
// looked at on this host as the tools would meet it.

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "doctor/AdapterCheck.h"
#include "doctor/FirewallCheck.h"
#include "doctor/SerialCheck.h"
#include "doctor/SocketCheck.h"

namespace lumiq::cli {

int RunDoctor(const Request&, Report& report) {
    report.adapters = ListAdapters();
    for (std::vector<doctor::Finding> found :
         {doctor::CheckHostAdapters(), doctor::CheckSockets(), doctor::CheckFirewalls()})
        report.findings.insert(report.findings.end(), found.begin(), found.end());
    report.findings.push_back(doctor::CheckSerial());
    return doctor::AnyProblem(report.findings) ? kExitFailed : kExitOk;
}

} // namespace lumiq::cli
