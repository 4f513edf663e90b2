#include <iostream>

#include "cli/Commands.h"
#include "cli/ExitStatus.h"
#include "cli/SearchRun.h"

namespace lumiq::cli {

int RunSearch(const Request& request, Interrupt& interrupt, Report& report) {
    NetworkSearch network(request, interrupt);
    report.adapters = network.adapters();
    const SearchResult result = network.run(request.search);
    report.searchMs = result.elapsedMs;
    report.interrupted = result.interrupted;
    for (const fleet::FoundModule& module : result.found) {
        report.modules.push_back(RowOf(module, result.origin));
        if (module.duplicateMac || module.duplicateIp)
            std::cerr << "lumiq: warning: " << module.mac << " at " << report.modules.back().address << " shares "
                      << (module.duplicateMac ? "its MAC" : "its address") << " with another module\n";
    }
    if (result.interrupted) return kExitInterrupted;
    const std::size_t found = result.found.size();
    std::cerr << found << (found == 1 ? " module" : " modules") << " found on " << report.adapters.size()
              << (report.adapters.size() == 1 ? " adapter" : " adapters") << '\n';
    if (found == 0) return kExitUnusable;
    if (request.search.expect > 0 && found < static_cast<std::size_t>(request.search.expect)) {
        std::cerr << "lumiq: " << request.search.expect << " expected\n";
        return kExitFailed;
    }
    return kExitOk;
}

}  // namespace lumiq::cli
