#pragma once
// The real main window for end-to-end tests, with CFG.ini in a temporary
// folder, every message box recorded and answered, and waits that end as soon
// as what they wait for has happened (or fail at a deadline).

#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAbstractButton>
#include <QAction>

#include "app/BatchDialog.h"
#include "app/MessageBoxSeam.h"
#include "app/TFrmMain.h"
#include "state/ToolState.h"
#include "tests/e2e/harness/EventWait.h"

namespace lumiq::test {

class ToolWindow {
public:
    ToolWindow();
    ~ToolWindow();
    ToolWindow(const ToolWindow&) = delete;
    ToolWindow& operator=(const ToolWindow&) = delete;

    TFrmMain& window() { return *window_; }
    TFrmMain* operator->() { return window_.get(); }
    ToolState& state() { return state_; }
    // Closes the window and opens a new one on a fresh state record, with
    // the same settings folders: the program started again.
    void restart();

    // As the operator would: the button's or item's own signal, so that the
    // handler runs inside the standard error report.
    static void click(QAbstractButton* button);
    static void trigger(QAction* item);
    // A mouse click on line `row` of the module list: the press selects the
    // line, the release clicks it.
    void clickModule(int row);

    // Runs the event loop until `done` holds; false at the deadline.
    static bool waitFor(const std::function<bool()>& done, int timeoutMs = 10000) {
        return ServeUntil(done, timeoutMs);
    }
    // Runs the event loop for `ms`, to show that something does NOT happen.
    static void idle(int ms);

    // The information log, one entry per line.
    QStringList logLines() const;
    // The number of log lines that end with `text` (time-stamped lines end
    // with their text).
    int logCount(const QString& text) const;
    bool waitForLog(const QString& text, int count = 1, int timeoutMs = 10000);

    // Message boxes, in the order they were asked for.
    std::vector<MessageRequest> messages;
    std::vector<std::string> messageTexts() const;
    bool waitForMessage(const std::string& text, int timeoutMs = 10000);
    // Answers the boxes; by default OK. It may drive a nested dialog.
    std::function<MessageAnswer(const MessageRequest&)> answer;
    // Chooses the files of 批量配置; by default none (as if cancelled).
    std::function<QString(BatchFile which)> chooseBatchFile;

private:
    void open();

    QTemporaryDir folder_;
    ToolState state_;
    MessageResponder previousResponder_;
    std::unique_ptr<TFrmMain> window_;
};

} // namespace lumiq::test
