#include "cli/DoctorOutput.h"

#include <algorithm>
#include <string>

#include "cli/TerminalText.h"
#include "cli/TextWidth.h"

namespace lumiq::cli {

using doctor::Finding;
using doctor::ShownText;
using doctor::VerdictName;

namespace {

// Every text of a finding as it may be shown (a JSON document takes no
// bytes that are not UTF-8).
Finding Shown(const Finding& finding) {
    Finding shown{
        ShownText(finding.check), finding.verdict, ShownText(finding.summary), {}, ShownText(finding.remedy)};
    for (const std::string& detail : finding.details)
        shown.details.push_back(ShownText(detail));
    return shown;
}

std::string Padded(const std::string& text, std::size_t width) {
    const std::size_t used = TextWidth(text);
    return TerminalText(text) + std::string(width > used ? width - used : 0, ' ');
}

} // namespace

void WriteFindings(const std::vector<Finding>& findings, std::ostream& out) {
    std::size_t checkWidth = 0;
    for (const Finding& finding : findings)
        checkWidth = std::max(checkWidth, TextWidth(ShownText(finding.check)));
    const std::string indent(std::string("warning").size() + 2 + checkWidth + 2, ' ');
    for (const Finding& found : findings) {
        const Finding finding = Shown(found);
        out << Padded(VerdictName(finding.verdict), 9) << Padded(finding.check, checkWidth + 2)
            << TerminalText(finding.summary) << '\n';
        for (const std::string& detail : finding.details)
            out << indent << TerminalText(detail) << '\n';
        if (!finding.remedy.empty())
            out << indent << "remedy: " << TerminalText(finding.remedy) << '\n';
    }
}

void WriteBundle(const Report& report, std::ostream& out) {
    out << TerminalText(report.bundlePath) << '\n';
    std::size_t nameWidth = 0;
    for (const BundlePart& part : report.bundleParts)
        nameWidth = std::max(nameWidth, TextWidth(part.name));
    for (const BundlePart& part : report.bundleParts)
        out << "  " << Padded(part.name, nameWidth + 2) << part.bytes << " bytes\n";
}

nlohmann::ordered_json FindingsJson(const std::vector<Finding>& findings) {
    nlohmann::ordered_json checks = nlohmann::ordered_json::array();
    for (const Finding& found : findings) {
        const Finding finding = Shown(found);
        nlohmann::ordered_json check{{"check", finding.check},
                                     {"verdict", VerdictName(finding.verdict)},
                                     {"summary", finding.summary},
                                     {"details", finding.details}};
        if (!finding.remedy.empty())
            check["remedy"] = finding.remedy;
        checks.push_back(std::move(check));
    }
    return checks;
}

} // namespace lumiq::cli
