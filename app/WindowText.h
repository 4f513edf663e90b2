#pragma once
// Every text the window shows passes through here on its way to a widget,
// the log or a message box: as written, in Chinese, unless English is
// chosen (app/WindowTranslator.h). Blanks that indent a log line are kept.

#include <QString>
#include <string>

namespace lumiq {

inline constexpr const char* kWindowTextContext = "lumiq-config";

QString WindowText(const QString& text);
QString WindowText(const std::string& utf8);

} // namespace lumiq
