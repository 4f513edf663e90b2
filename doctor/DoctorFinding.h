#pragma once
// What one doctor check found: a verdict, a line for people, the facts
// behind it and, when something is wrong, the command line that puts it
// right.

#include <string>
#include <string_view>
#include <vector>

namespace lumiq::doctor {

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

// A finding's text as it is shown: much of it comes from the system (a
// tool's message, a rule's comment, a process or adapter name), so control
// characters (C0, DEL, C1) and bytes that are no UTF-8 become "\xNN"; other
// UTF-8 stays as it is.
std::string ShownText(std::string_view text);
bool AnyProblem(const std::vector<Finding>& findings);

} // namespace lumiq::doctor
