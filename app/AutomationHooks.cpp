#include "app/AutomationHooks.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtGlobal>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <functional>

#include "app/DemoTour.h"
#include "app/MessageBoxSeam.h"
#include "app/TFrmMain.h"

namespace lumiq {
namespace {

constexpr int kDefaultScreenshotDelayMs = 1500;
constexpr int kMaxTourModules = 256; // what one search can list
// Long enough to see each step happen in a real window.
constexpr std::chrono::milliseconds kVisibleTourPace{700};

void SaveScreenshot(QWidget& window, const QString& path) {
    if (window.grab().save(path))
        std::printf("Screenshot saved to %s\n", qPrintable(path));
    else
        std::fprintf(stderr, "lumiq-config: cannot save the screenshot to %s\n", qPrintable(path));
    std::fflush(stdout);
}

void PrintLine(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

// The offscreen platform has nobody watching; a real screen has.
bool SomeoneCanWatch() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

void StartTour(TFrmMain& window, int modules, const QString& screenshot) {
    DemoTour::Options options;
    options.modules = modules;
    if (SomeoneCanWatch())
        options.pace = kVisibleTourPace;
    auto* tour = new DemoTour(window, options); // owned by the window

    QObject::connect(tour, &DemoTour::progress, tour, &PrintLine);
    QObject::connect(
        tour, &DemoTour::finished, tour, [&window, screenshot](int status, const QString& failure) {
            PrintLine(QString());
            PrintLine(QStringLiteral("Information log (信息显示):"));
            PrintLine(window.MemoInfo->toPlainText());
            PrintLine(QString());
            if (!screenshot.isEmpty())
                SaveScreenshot(window, screenshot);
            if (status == 0)
                PrintLine(QStringLiteral("The tour completed every step."));
            else
                std::fprintf(stderr, "lumiq-config: the tour stopped: %s\n", failure.toUtf8().constData());
            QCoreApplication::exit(status == 0 ? 0 : 1);
        });

    // Boxes are answered so that nothing waits for an operator; in this tour
    // a box means that a step went wrong.
    QPointer<DemoTour> guarded(tour);
    SetMessageResponder([guarded](const MessageRequest& request, QWidget*) {
        std::fprintf(stderr, "message box [%s]: %s\n", request.caption.c_str(), request.text.c_str());
        std::fflush(stderr);
        if (guarded)
            guarded->noteMessageBox(QString::fromStdString(request.caption),
                                    QString::fromStdString(request.text));
        return MessageAnswer::Ok;
    });
    tour->start();
}

// The window driven over LUMIQ_CONTROL_FD (the commands are in the header).
class ScriptControl final : public QObject {
public:
    ScriptControl(TFrmMain& window, int fd)
        : QObject(&window), window_(window), fd_(fd), notifier_(fd, QSocketNotifier::Read) {
        connect(&notifier_, &QSocketNotifier::activated, this, [this] { readCommands(); });
    }

private:
    // A script never writes lines this long; a longer one is noise, dropped
    // so that it cannot grow without bound.
    static constexpr qsizetype kMaxLine = 4096;

    void readCommands() {
        char chunk[kMaxLine];
        for (;;) {
            const ssize_t got = recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
            if (got > 0) {
                pending_.append(chunk, got);
                break; // one read per notification: the window's other events get their turn
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                break;
            // The script has gone: nobody drives the window any more.
            notifier_.setEnabled(false);
            QCoreApplication::exit(0);
            return;
        }
        for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
            const QString line = QString::fromUtf8(pending_.left(end)).trimmed();
            pending_.remove(0, end + 1);
            reply(answer(line));
        }
        if (pending_.size() > kMaxLine)
            pending_.clear();
    }

    void reply(QString text) {
        text.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
        const QByteArray line = text.toUtf8() + '\n';
        for (qsizetype sent = 0; sent < line.size();) {
            const ssize_t n = send(fd_, line.constData() + sent, static_cast<std::size_t>(line.size() - sent),
                                   MSG_NOSIGNAL);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return; // the script has gone; the next read ends the program
            sent += n;
        }
    }

    QString answer(const QString& line) {
        const QString command = line.section(QLatin1Char(' '), 0, 0);
        const QString argument = line.section(QLatin1Char(' '), 1);
        if (command == QLatin1String("ping"))
            return QStringLiteral("pong");
        if (command == QLatin1String("search"))
            return press([this] { window_.But_UDPFind->click(); });
        if (command == QLatin1String("read"))
            return press([this] { window_.But_Read->click(); });
        if (command == QLatin1String("select")) {
            bool ok = false;
            const int row = argument.toInt(&ok);
            return ok ? press([this, row] { window_.ListBoxIP->setCurrentRow(row); })
                      : QStringLiteral("error select needs a row number");
        }
        if (command == QLatin1String("state"))
            return QStringLiteral("state list=%1 reading=%2 box=%3 acts=%4")
                .arg(window_.ListBoxIP->count())
                .arg(window_.TimerRead->isActive() ? 1 : 0)
                .arg(OpenBox() != nullptr ? 1 : 0)
                .arg(acts_);
        if (command == QLatin1String("find") && !argument.isEmpty()) {
            for (int row = 0; row < window_.ListBoxIP->count(); ++row)
                if (window_.ListBoxIP->item(row)->text().contains(argument))
                    return QStringLiteral("row %1").arg(row);
            return QStringLiteral("row -1");
        }
        if (command == QLatin1String("count") && !argument.isEmpty())
            return countLogLines(argument);
        if (command == QLatin1String("answer"))
            return answerBox();
        if (command == QLatin1String("quit")) {
            QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
            return QStringLiteral("ok");
        }
        return QStringLiteral("error unknown command: ") + line.left(80);
    }

    QString press(std::function<void()> act) {
        QTimer::singleShot(0, this, [this, act = std::move(act)] {
            ++acts_;
            act(); // the window's handlers catch for themselves
        });
        return QStringLiteral("ok");
    }

    QString countLogLines(const QString& text) const {
        int count = 0;
        QString last;
        for (QTextBlock block = window_.MemoInfo->document()->begin(); block.isValid();
             block = block.next()) {
            if (block.text().contains(text)) {
                ++count;
                last = block.text();
            }
        }
        return QStringLiteral("count %1\t").arg(count) + last;
    }

    static QMessageBox* OpenBox() { return qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); }

    static QString answerBox() {
        QMessageBox* box = OpenBox();
        if (box == nullptr)
            return QStringLiteral("none");
        const QString text = box->text();
        // As the operator's click would: the box's own loop ends once this
        // handler returns.
        if (QAbstractButton* ok = box->button(QMessageBox::Ok))
            ok->click();
        else
            box->reject();
        return QStringLiteral("answered ") + text;
    }

    TFrmMain& window_;
    int fd_;
    QSocketNotifier notifier_;
    QByteArray pending_;
    int acts_ = 0;
};

// LUMIQ_CONTROL_FD: false (after a message) when it names no socket.
bool InstallScriptControl(TFrmMain& window) {
    const QString variable = qEnvironmentVariable("LUMIQ_CONTROL_FD");
    if (variable.isEmpty())
        return true;
    bool ok = false;
    const int fd = variable.toInt(&ok);
    struct stat status {};
    if (!ok || fd < 0 || fstat(fd, &status) != 0 || !S_ISSOCK(status.st_mode)) {
        std::fprintf(stderr, "lumiq-config: LUMIQ_CONTROL_FD must name an open socket, not '%s'\n",
                     qPrintable(variable));
        return false;
    }
    // Not handed on to programs the window starts (a browser for 产品介绍).
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    new ScriptControl(window, fd); // owned by the window
    return true;
}

} // namespace

bool InstallAutomationHooks(TFrmMain& window) {
    if (!InstallScriptControl(window))
        return false;
    const QString screenshot = qEnvironmentVariable("LUMIQ_SCREENSHOT");
    const QString quitAfter = qEnvironmentVariable("LUMIQ_QUIT_AFTER_MS");
    const QString tour = qEnvironmentVariable("LUMIQ_DEMO_TOUR");

    if (!tour.isEmpty()) {
        bool ok = false;
        const int modules = tour.toInt(&ok);
        if (!ok || modules < 1 || modules > kMaxTourModules) {
            std::fprintf(stderr,
                         "lumiq-config: LUMIQ_DEMO_TOUR must be the number of modules the search must list "
                         "(1 to %d), not '%s'\n",
                         kMaxTourModules, qPrintable(tour));
            return false;
        }
        if (!quitAfter.isEmpty()) {
            std::fprintf(stderr,
                         "lumiq-config: the tour ends the program itself; unset LUMIQ_QUIT_AFTER_MS\n");
            return false;
        }
        StartTour(window, modules, screenshot);
        return true;
    }

    if (screenshot.isEmpty() && quitAfter.isEmpty())
        return true;
    int delayMs = kDefaultScreenshotDelayMs;
    if (!quitAfter.isEmpty()) {
        bool ok = false;
        delayMs = quitAfter.toInt(&ok);
        if (!ok || delayMs < 0) {
            std::fprintf(stderr,
                         "lumiq-config: LUMIQ_QUIT_AFTER_MS must be a number of milliseconds, not '%s'\n",
                         qPrintable(quitAfter));
            return false;
        }
    }
    QTimer::singleShot(delayMs, &window, [&window, screenshot] {
        if (!screenshot.isEmpty())
            SaveScreenshot(window, screenshot);
        QCoreApplication::exit(0);
    });
    return true;
}

} // namespace lumiq
