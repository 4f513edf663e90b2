#include "cli/DoctorFinding.h"

#include <algorithm>

namespace lumiq::cli {

const char* VerdictName(Verdict verdict) {
    switch (verdict) {
    case Verdict::Ok:
        return "ok";
    case Verdict::Warning:
        return "warning";
    case Verdict::Problem:
        return "problem";
    }
    return "problem";
}

bool AnyProblem(const std::vector<Finding>& findings) {
    return std::any_of(findings.begin(), findings.end(),
                       [](const Finding& finding) { return finding.verdict == Verdict::Problem; });
}

} // namespace lumiq::cli
