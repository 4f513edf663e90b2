#include "app/LogLine.h"

namespace lumiq {

LogStampFormats RegionalLogFormats(const QLocale& locale) {
    return {locale.dateFormat(QLocale::ShortFormat), WithoutTimeZone(locale.timeFormat(QLocale::LongFormat))};
}

QString WithoutTimeZone(const QString& timeFormat) {
    QString result;
    bool quoted = false;    // inside '...': literal text, a "t" there is a letter
    bool afterZone = false; // blanks around a dropped zone field collapse
    for (const QChar c : timeFormat) {
        if (c == u'\'')
            quoted = !quoted;
        if (!quoted && c == u't') {
            while (result.endsWith(u' '))
                result.chop(1);
            afterZone = true;
            continue;
        }
        if (afterZone && c == u' ')
            continue;
        // The zone stood between two parts: keep one blank between them.
        if (afterZone && !result.isEmpty())
            result += u' ';
        afterZone = false;
        result += c;
    }
    return result;
}

QString FormatLogLine(const QDateTime& when, const QLocale& locale, const LogStampFormats& formats,
                      const QString& text) {
    return locale.toString(when.date(), formats.shortDate) + u' ' +
           locale.toString(when.time(), formats.longTime) + QStringLiteral(": ") + text;
}

} // namespace lumiq
