#include "app/AutomationHooks.h"

#include <QCoreApplication>
#include <QPixmap>
#include <QTimer>
#include <QWidget>
#include <QtGlobal>
#include <cstdio>

namespace lumiq {
namespace {

constexpr int kDefaultScreenshotDelayMs = 1500;

void SaveScreenshot(QWidget& window, const QString& path) {
    if (window.grab().save(path))
        std::printf("Screenshot saved to %s\n", qPrintable(path));
    else
        std::fprintf(stderr, "lumiq-config: cannot save the screenshot to %s\n", qPrintable(path));
    std::fflush(stdout);
}

}  // namespace

bool InstallAutomationHooks(QWidget& window) {
    const QString screenshot = qEnvironmentVariable("LUMIQ_SCREENSHOT");
    const QString quitAfter = qEnvironmentVariable("LUMIQ_QUIT_AFTER_MS");
    if (screenshot.isEmpty() && quitAfter.isEmpty()) return true;

    int delayMs = kDefaultScreenshotDelayMs;
    if (!quitAfter.isEmpty()) {
        bool ok = false;
        delayMs = quitAfter.toInt(&ok);
        if (!ok || delayMs < 0) {
            std::fprintf(stderr, "lumiq-config: LUMIQ_QUIT_AFTER_MS must be a number of milliseconds, not '%s'\n",
                         qPrintable(quitAfter));
            return false;
        }
    }
    QTimer::singleShot(delayMs, &window, [&window, screenshot] {
        if (!screenshot.isEmpty()) SaveScreenshot(window, screenshot);
        QCoreApplication::exit(0);
    });
    return true;
}

}  // namespace lumiq
