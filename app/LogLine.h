#pragma once
// The time stamp of an information-log line: the user's regional short date,
// one blank, the regional long time without a time-zone name, then ": " and
// the text. Kept apart from the log widget so it can be checked with any
// locale and format.

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace lumiq {

struct LogStampFormats {
    QString shortDate; // QLocale date format, e.g. "yyyy-M-d"
    QString longTime;  // QLocale time format, e.g. "HH:mm:ss"
};

// The locale's short date and long time formats, the time-zone part of the
// time removed.
LogStampFormats RegionalLogFormats(const QLocale& locale);

// A QLocale time format without its time-zone fields ("t") and the blanks
// that joined them to the rest: "h:mm:ss AP t" becomes "h:mm:ss AP".
QString WithoutTimeZone(const QString& timeFormat);

QString FormatLogLine(const QDateTime& when, const QLocale& locale, const LogStampFormats& formats,
                      const QString& text);

} // namespace lumiq
