#pragma once
// Targets as people name them (a MAC text in any case, an IP address, or
// "all") and the modules of a search they stand for. A target that names
// two modules is refused: frames go to a MAC, and an address two modules
// answer from cannot tell them apart.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/ModuleStatus.h"
#include "cli/Request.h"
#include "fleet/ModuleSearch.h"

namespace lumiq::cli {

// True for texts shaped like a target ("all", anything with ":", digits and
// dots), which ParseTarget then checks.
bool LooksLikeTarget(std::string_view text);
// Throws UsageError for a malformed MAC text or address.
Target ParseTarget(std::string_view text);

// One target per line, or several separated by blanks or commas; "#" starts
// a comment. A file whose first line begins with the column "mac" is a CSV
// table (as `lumiq read --csv` writes it): the first field of each row.
// Read as fleet/InputFile.h reads (a regular file only, of bounded size).
// Throws UsageError naming the file and line ("FILE:LINE: ...").
std::vector<Target> ReadTargetsFile(const std::string& path);
// The same for the text of the file named `path`.
std::vector<Target> ParseTargetsText(std::string_view text, const std::string& path);

// Each target once, in the order first given; `more` after `targets`. Takes
// time in proportion to the targets, also for a file of 100,000.
void AddTargets(std::vector<Target>& targets, std::vector<Target> more);
void AddTarget(std::vector<Target>& targets, Target target);

struct Resolved {
    const Target* target = nullptr;             // null for modules of `all`
    const fleet::FoundModule* module = nullptr; // null when none or several answered
    ModuleStatus status = ModuleStatus::Ok;     // Ok (to be worked on), NotFound, Ambiguous
    std::string detail;
};

// Every target against the modules found. `all` stands for every module
// found; a module named twice is worked on once. Linear in targets and modules.
std::vector<Resolved> ResolveTargets(const std::vector<Target>& targets,
                                     const std::vector<fleet::FoundModule>& found);

} // namespace lumiq::cli
