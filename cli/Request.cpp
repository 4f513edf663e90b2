#include "cli/Request.h"

#include <algorithm>

namespace lumiq::cli {

std::string_view CommandName(Command command) {
    switch (command) {
    case Command::Adapters: return "adapters";
    case Command::Search: return "search";
    case Command::Doctor: return "doctor";
    case Command::SupportBundle: return "support-bundle";
    case Command::Read: return "read";
    case Command::Get: return "get";
    case Command::Set: return "set";
    case Command::Default: return "default";
    case Command::Apply: return "apply";
    }
    return "unknown";
}

bool Request::allTargets() const {
    return std::any_of(targets.begin(), targets.end(), [](const Target& t) { return t.kind == Target::Kind::All; });
}

}  // namespace lumiq::cli
