// Two real lumiq-config processes: the second copy is refused while the
// first runs, and a copy started after the first was killed is not.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "app/SingleInstance.h"

namespace lumiq::test {
namespace {

constexpr int kDeadlineMs = 30000; // generous: sanitizer builds start slowly

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(runtime.isValid()); }
    void TearDown() override {
        for (QProcess* copy : copies) {
            copy->kill();
            copy->waitForFinished(kDeadlineMs);
            delete copy;
        }
    }

    QProcess* Start(const QStringList& extraEnv = {}) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("LUMIQ_AUTOANSWER_MESSAGES"), QStringLiteral("1"));
        env.remove(QStringLiteral("LUMIQ_SCREENSHOT"));
        env.remove(QStringLiteral("LUMIQ_QUIT_AFTER_MS"));
        for (const QString& pair : extraEnv)
            env.insert(pair.section(u'=', 0, 0), pair.section(u'=', 1));
        auto* copy = new QProcess;
        copies.push_back(copy);
        copy->setProcessEnvironment(env);
        copy->start(QStringLiteral(LUMIQ_CONFIG_EXE), {});
        EXPECT_TRUE(copy->waitForStarted(kDeadlineMs));
        return copy;
    }

    // True once process holds the instance lock, as the kernel lists it in
    // /proc/locks (looking does not take the lock, which would disturb it).
    bool WaitUntilLockedBy(const QProcess& copy) const {
        const QByteArray lockFile = QFile::encodeName(
            runtime.path() + u'/' + QString::fromUtf8(kInstanceLockName) + QStringLiteral(".lock"));
        const QByteArray pid = QByteArray::number(copy.processId());
        QDeadlineTimer deadline(kDeadlineMs);
        while (!deadline.hasExpired() && copy.state() == QProcess::Running) {
            struct stat info {};
            if (stat(lockFile.constData(), &info) == 0) {
                const QByteArray inode = ':' + QByteArray::number(static_cast<qulonglong>(info.st_ino)) + ' ';
                QFile locks(QStringLiteral("/proc/locks"));
                if (locks.open(QIODevice::ReadOnly)) {
                    for (const QByteArray& line : locks.readAll().split('\n'))
                        if (line.contains("FLOCK") && line.contains(' ' + pid + ' ') && line.contains(inode))
                            return true;
                }
            }
            QThread::msleep(20); // polling a kernel table: there is no event to wait for
        }
        return false;
    }

    QTemporaryDir runtime;
    std::vector<QProcess*> copies;
};

const QByteArray kRefusal = QByteArrayLiteral("message box [Tevaro]: 程序已经运行!");

TEST_F(SingleInstanceTest, ASecondCopyShowsTheNoticeAndEndsWithZero) {
    QProcess* first = Start();
    ASSERT_TRUE(WaitUntilLockedBy(*first)) << first->readAllStandardError().toStdString();

    QProcess* second = Start();
    // No quit hook: a second copy that opened a window would never end.
    ASSERT_TRUE(second->waitForFinished(kDeadlineMs));
    EXPECT_EQ(second->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(second->readAllStandardError().contains(kRefusal));
    EXPECT_EQ(first->state(), QProcess::Running);
}

TEST_F(SingleInstanceTest, ACopyStartedAfterACrashRuns) {
    QProcess* first = Start();
    ASSERT_TRUE(WaitUntilLockedBy(*first));
    first->kill(); // SIGKILL: no clean-up of any kind
    ASSERT_TRUE(first->waitForFinished(kDeadlineMs));

    QProcess* next = Start({QStringLiteral("LUMIQ_QUIT_AFTER_MS=3000")});
    EXPECT_TRUE(WaitUntilLockedBy(*next));
    ASSERT_TRUE(next->waitForFinished(kDeadlineMs));
    EXPECT_EQ(next->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(next->exitCode(), 0);
    EXPECT_FALSE(next->readAllStandardError().contains(kRefusal));
}

} // namespace
} // namespace lumiq::test
