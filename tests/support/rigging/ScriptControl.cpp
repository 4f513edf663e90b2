#include "tests/support/rigging/ScriptControl.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>
#include <QtGlobal>
#include <cerrno>
#include <cstdio>
#include <functional>

#include "app/TFrmMain.h"

namespace lumiq {
namespace {

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

} // namespace

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

} // namespace lumiq
