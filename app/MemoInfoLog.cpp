#include "app/MemoInfoLog.h"

#include <QDateTime>
#include <QLocale>
#include <QPlainTextEdit>

#include "app/LogLine.h"
#include "app/WindowText.h"

namespace lumiq {

MemoInfoLog::MemoInfoLog(QPlainTextEdit& memo) : memo_(memo) {}

void MemoInfoLog::addLogLine(const std::string& utf8) {
    const QLocale locale = QLocale::system();
    memo_.appendPlainText(
        FormatLogLine(QDateTime::currentDateTime(), locale, RegionalLogFormats(locale), WindowText(utf8)));
}

void MemoInfoLog::appendPlain(const std::string& utf8) {
    memo_.appendPlainText(WindowText(utf8));
}

} // namespace lumiq
