#pragma once
// What one doctor check found: a verdict, a line for people, the facts
// behind it and, when something is wrong, the command line that puts it
// right.

#include <string>
#include <vector>

namespace lumiq::cli {

// Only a problem makes doctor exit with 1: a warning works, though not
// everywhere (a second adapter not searched, a full registry's burst cut).
enum class Verdict : unsigned char { Ok, Warning, Problem };

struct Finding {
    std::string check{}; // "adapters", "host name", "udp port", ...
    Verdict verdict = Verdict::Ok;
    std::string summary{};
    std::vector<std::string> details{};
    std::string remedy{}; // a command line; empty when nothing is to be done
};

const char* VerdictName(Verdict verdict); // "ok", "warning", "problem"
bool AnyProblem(const std::vector<Finding>& findings);

} // namespace lumiq::cli
