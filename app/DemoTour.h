#pragma once
// A scripted tour of the main window for demonstrations without an operator:
// search, select the first module (which reads all its parameters), read all
// again, change the device name, one-key write, factory default.
//
// Every step goes through the real widgets (a button's own clicked signal,
// the list's selection), so the handlers run inside the standard error
// report exactly as for an operator. A step is done when its outcome shows
// in the window (list lines, log lines); it fails at once on a failure line
// ("...失败") or a message box, and at its deadline otherwise. Nothing here
// sleeps: each step waits for the window to change.

#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <vector>

namespace lumiq {

class TFrmMain;

class DemoTour : public QObject {
    Q_OBJECT
public:
    struct Options {
        // The search must list at least this many modules.
        int modules = 1;
        // Time each step may take before the tour gives up.
        std::chrono::milliseconds stepDeadline{15000};
        // A pause between steps, so that someone watching a real window can
        // follow; zero offscreen.
        std::chrono::milliseconds pace{0};
        // Typed into 设备名称 and written to the module (at most 15 GBK bytes).
        QString newName = QStringLiteral("演示模块");
    };

    DemoTour(TFrmMain& window, Options options);

    // Starts the first step; returns at once. finished() reports the end.
    void start();

    // A message box was asked for while the tour ran: in this tour that only
    // happens when something went wrong, so the running step fails.
    void noteMessageBox(const QString& caption, const QString& text);

    bool running() const { return running_; }

signals:
    // One line about a step, for the terminal.
    void progress(const QString& line);
    // status 0: every step completed; otherwise failure names the step.
    void finished(int status, const QString& failure);

private:
    struct Step {
        QString title;
        std::function<void()> act;
        // Looks at the window; true when the step's outcome is there.
        std::function<bool()> done;
        // Said when the step is done.
        std::function<QString()> outcome;
    };

    std::vector<Step> BuildSteps();
    void RunStep();
    void Check();
    void Complete();
    void Fail(const QString& why);

    int LineCount() const;
    QString Line(int index) const;
    // Index of the first log line at or after `from` that contains text; -1.
    int FindLine(const QString& text, int from) const;
    QString FailureLineSinceMark() const;

    TFrmMain& window_;
    Options options_;
    std::vector<Step> steps_;
    std::size_t current_ = 0;
    // Log lines before this index belong to earlier steps.
    int mark_ = 0;
    bool stepOpen_ = false;
    bool running_ = false;
    QTimer deadline_;
};

} // namespace lumiq
