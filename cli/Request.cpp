#include "cli/Request.h"

#include <algorithm>

namespace lumiq::cli {

bool Request::allTargets() const {
    return std::any_of(targets.begin(), targets.end(),
                       [](const Target& t) { return t.kind == Target::Kind::All; });
}

} // namespace lumiq::cli
