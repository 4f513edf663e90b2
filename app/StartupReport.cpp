#include "app/StartupReport.h"

#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace lumiq {
namespace {

// VmHWM of /proc/self/status, in kB; -1 when it cannot be read.
long PeakResidentKb() {
    std::FILE* status = std::fopen("/proc/self/status", "re");
    if (!status)
        return -1;
    long kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, status))
        if (std::strncmp(line, "VmHWM:", 6) == 0 && std::sscanf(line + 6, "%ld", &kb) == 1)
            break;
    std::fclose(status);
    return kb;
}

class FirstPaintWatch final : public QObject {
public:
    FirstPaintWatch(QWidget& window, QString path) : QObject(&window), path_(std::move(path)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // The paint event is still to be handled: take the time once it
            // and the flush to the screen are done.
            QTimer::singleShot(0, this, [this] { report(); });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    void report() {
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        const long long ns = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
        if (std::FILE* file = std::fopen(qPrintable(path_), "ae")) {
            std::fprintf(file, "shown_monotonic_ns=%lld vmhwm_kb=%ld\n", ns, PeakResidentKb());
            std::fclose(file);
        } else {
            std::fprintf(stderr, "lumiq-config: cannot write the start-up report to %s\n", qPrintable(path_));
        }
        parent()->removeEventFilter(this);
    }

    QString path_;
    bool seen_ = false;
};

} // namespace

void InstallStartupReport(QWidget& window) {
    const QString path = qEnvironmentVariable("LUMIQ_STARTUP_REPORT");
    if (path.isEmpty())
        return;
    window.installEventFilter(new FirstPaintWatch(window, path));
}

} // namespace lumiq
