// The time stamp of information-log lines.

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QTextBlock>

#include "app/LogLine.h"
#include "app/MemoInfoLog.h"

namespace lumiq::test {
namespace {

TEST(LogLine, DateBlankTimeColonBlankText) {
    const QDateTime when(QDate(2024, 5, 6), QTime(14, 3, 7));
    EXPECT_EQ(FormatLogLine(when, QLocale::c(), {"yyyy-M-d", "HH:mm:ss"}, QStringLiteral("设置模块IP地址")),
              QStringLiteral("2024-5-6 14:03:07: 设置模块IP地址"));
    EXPECT_EQ(FormatLogLine(when, QLocale::c(), {"d.M.yy", "h:mm:ss AP"}, QString()),
              QStringLiteral("6.5.24 2:03:07 PM: "));
}

TEST(LogLine, TimeZoneFieldsAreDroppedWithTheirBlanks) {
    const std::pair<const char*, const char*> cases[] = {
        {"h:mm:ss AP t", "h:mm:ss AP"}, {"HH:mm:ss t", "HH:mm:ss"},
        {"t HH:mm:ss", "HH:mm:ss"},     {"HH:mm t ss", "HH:mm ss"},
        {"HH:mm:ss", "HH:mm:ss"},       {"HH:mm 'at' t", "HH:mm 'at'"}, // a quoted t is a letter
        {"H'h' mm", "H'h' mm"},
    };
    for (const auto& [format, expected] : cases)
        EXPECT_EQ(WithoutTimeZone(QString::fromLatin1(format)), QString::fromLatin1(expected)) << format;
}

// Whatever the region, a stamp never names a time zone.
TEST(LogLine, RegionalFormatsNameNoTimeZone) {
    const QDateTime when(QDate(2024, 5, 6), QTime(14, 3, 7), Qt::UTC);
    for (const char* name : {"C", "en_US", "en_GB", "de_DE", "zh_CN", "ja_JP", "fr_FR"}) {
        const QLocale locale{QString::fromLatin1(name)};
        const QString line = FormatLogLine(when, locale, RegionalLogFormats(locale), QStringLiteral("x"));
        EXPECT_FALSE(line.contains(QStringLiteral("UTC"))) << name << ": " << line.toStdString();
        EXPECT_FALSE(line.contains(QStringLiteral("GMT"))) << name << ": " << line.toStdString();
        EXPECT_TRUE(line.endsWith(QStringLiteral(": x"))) << name;
        EXPECT_TRUE(line.contains(QStringLiteral("03"))) << name; // the minutes are there
    }
}

TEST(LogLine, InfoLogStampsWithTheSystemRegionAndAppendsPlainLinesAsTheyAre) {
    QPlainTextEdit memo;
    MemoInfoLog log(memo);
    const QLocale locale = QLocale::system();
    const QDateTime before = QDateTime::currentDateTime();
    log.addLogLine("设置模块IP地址");
    const QDateTime after = QDateTime::currentDateTime();
    log.appendPlain("");
    log.appendPlain("  2、读参数");

    ASSERT_EQ(memo.document()->blockCount(), 3);
    const QString stamped = memo.document()->firstBlock().text();
    const QString text = QStringLiteral("设置模块IP地址");
    EXPECT_TRUE(stamped == FormatLogLine(before, locale, RegionalLogFormats(locale), text) ||
                stamped == FormatLogLine(after, locale, RegionalLogFormats(locale), text))
        << stamped.toStdString();
    EXPECT_EQ(memo.document()->findBlockByNumber(1).text(), QString());
    EXPECT_EQ(memo.document()->findBlockByNumber(2).text(), QStringLiteral("  2、读参数"));
}

} // namespace
} // namespace lumiq::test
