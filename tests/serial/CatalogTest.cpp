// The "cport" catalogs: the language an operator asks for gives translated
// texts, also where that locale is not generated on the machine; "C" gives
// the texts as written.

#include <gtest/gtest.h>

#include <QProcess>

#include <string>

namespace lumiq {
namespace {

std::string ProbeOutput(const QStringList& settings) {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"LANG", "LC_ALL", "LC_MESSAGES", "LANGUAGE"})
        environment.remove(name);
    for (const QString& setting : settings)
        environment.insert(setting.section('=', 0, 0), setting.section('=', 1));
    QProcess probe;
    probe.setProcessEnvironment(environment);
    probe.start(LUMIQ_CATALOG_PROBE, {});
    EXPECT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(probe.exitCode(), 0);
    return probe.readAllStandardOutput().toStdString();
}

TEST(CportCatalog, TheOperatorsLanguageSelectsTheCatalog) {
    const std::string chinese = "无法打开串口 (系统错误代码: 2)\n设置\n";
    const std::string quoted = "Unable to open com port (win error code: 2)\nSetup\n";
    const struct {
        QStringList settings;
        std::string expected;
    } cases[] = {
        {{"LANG=zh_CN.UTF-8"}, chinese},
        {{"LANG=zh_CN"}, chinese},
        {{"LANG=C", "LC_ALL=zh_CN.UTF-8"}, chinese},
        {{"LANG=zh_CN.UTF-8", "LC_MESSAGES=C"}, quoted},
        {{"LANG=C"}, quoted},
        {{"LANG=C.UTF-8"}, quoted},
        {{}, quoted},
        {{"LANG=de_DE.UTF-8"}, quoted},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProbeOutput(c.settings), c.expected) << c.settings.join(' ').toStdString();
}

} // namespace
} // namespace lumiq
