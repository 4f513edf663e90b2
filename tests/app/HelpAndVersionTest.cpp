// lumiq-config --help and --version answer on stdout and end with 0 without
// a display, and without starting the program (no single-instance lock).

#include <gtest/gtest.h>

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

namespace lumiq::test {
namespace {

constexpr int kDeadlineMs = 30000; // generous: sanitizer builds start slowly

TEST(HelpAndVersionTest, AnswerWithoutADisplayAndEndWithZero) {
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* display : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        env.remove(QString::fromLatin1(display));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());

    struct Case {
        QString argument;
        QByteArray expected; // the start of stdout
    };
    const Case cases[] = {
        {QStringLiteral("--help"), "Usage: lumiq-config [QT-OPTION...]\n"},
        {QStringLiteral("--version"), "lumiq-config " LUMIQ_VERSION "\n"},
    };
    QByteArray help;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.argument.toStdString());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(LUMIQ_CONFIG_EXE), {c.argument});
        ASSERT_TRUE(program.waitForFinished(kDeadlineMs));
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(program.exitCode(), 0);
        const QByteArray out = program.readAllStandardOutput();
        EXPECT_TRUE(out.startsWith(c.expected)) << out.toStdString();
        if (c.argument == QLatin1String("--help"))
            help = out;
        EXPECT_EQ(program.readAllStandardError(), QByteArray());
    }
    for (const char* option :
         {"--version", "LUMIQ_AUTOANSWER_MESSAGES", "LUMIQ_SERIAL_PORTS", "LUMIQ_DEMO_TOUR"})
        EXPECT_TRUE(help.contains(option)) << option;
    EXPECT_TRUE(QDir(runtime.path()).isEmpty()); // the instance check never ran
}

} // namespace
} // namespace lumiq::test
