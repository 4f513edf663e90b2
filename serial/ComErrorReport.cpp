#include "serial/ComErrorReport.h"

#include <QtGlobal>

namespace lumiq {
namespace {

std::function<void(const std::string&)>& InstalledReport() {
    static std::function<void(const std::string&)> report;
    return report;
}

} // namespace

void SetComErrorReport(std::function<void(const std::string& message)> report) {
    InstalledReport() = std::move(report);
}

void ReportComError(const std::string& message) {
    if (InstalledReport())
        InstalledReport()(message);
    else
        qWarning("Serial port: %s", message.c_str());
}

} // namespace lumiq
