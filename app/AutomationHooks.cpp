#include "app/AutomationHooks.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTimer>
#include <QtGlobal>
#include <chrono>
#include <cstdio>

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

} // namespace

bool InstallAutomationHooks(TFrmMain& window) {
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
