#include "cli/IdentityChecks.h"

#include <string>

#include "cli/ExitStatus.h"
#include "fleet/InputFile.h"
#include "fleet/TakenIdentities.h"

namespace lumiq::cli {

void RefuseTakenIdentity(const std::vector<const fleet::FoundModule*>& modules,
                         const std::vector<fleet::FoundModule>& found,
                         const std::function<std::vector<Value>(const fleet::FoundModule&)>& wanted) {
    try {
        fleet::RefuseTakenIdentity(modules, found, wanted);
    } catch (const fleet::InputError& error) {
        throw UsageError(std::string(error.what()) + "; nothing was written");
    }
}

} // namespace lumiq::cli
