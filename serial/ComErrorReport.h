#pragma once
// Where failures go that no caller can catch: an exception from an
// smWindowSync handler, or from a bound list applying the operator's choice at
// once (AutoApply). Both arrive from the Qt event loop, which an exception must
// never cross. The program sets its standard error report here at start; until
// then the message is written to the Qt log as a warning.

#include <functional>
#include <string>

namespace lumiq {

void SetComErrorReport(std::function<void(const std::string& message)> report);
// Main thread.
void ReportComError(const std::string& message);

} // namespace lumiq
