#include "tests/e2e/harness/ToolWindow.h"

#include <QAbstractButton>
#include <QAction>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>

namespace lumiq::test {

ToolWindow::ToolWindow()
    : previousResponder_(SetMessageResponder([this](const MessageRequest& request, QWidget*) {
          messages.push_back(request);
          return answer ? answer(request) : MessageAnswer::Ok;
      })) {
    open();
}

void ToolWindow::open() {
    FrmMainServices services{
        state_, SettingsFile(folder_.path().toStdString(), folder_.filePath("config").toStdString()),
        [](const QUrl&) { return false; }};
    services.chooseBatchFile = [this](QWidget*, BatchFile which) {
        return chooseBatchFile ? chooseBatchFile(which) : QString();
    };
    window_ = std::make_unique<TFrmMain>(std::move(services));
    window_->show();
}

void ToolWindow::restart() {
    window_.reset();
    state_ = ToolState();
    open();
}

ToolWindow::~ToolWindow() {
    window_.reset();
    SetMessageResponder(previousResponder_);
}

void ToolWindow::click(QAbstractButton* button) {
    button->click();
}

void ToolWindow::trigger(QAction* item) {
    item->trigger();
}

void ToolWindow::clickModule(int row) {
    QListWidget* list = window_->ListBoxIP;
    QListWidgetItem* line = list->item(row);
    list->scrollToItem(line);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(line).center());
}

void ToolWindow::idle(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

QStringList ToolWindow::logLines() const {
    return window_->MemoInfo->toPlainText().split(QLatin1Char('\n'));
}

int ToolWindow::logCount(const QString& text) const {
    int count = 0;
    for (const QString& line : logLines())
        if (line.endsWith(text))
            ++count;
    return count;
}

bool ToolWindow::waitForLog(const QString& text, int count, int timeoutMs) {
    return waitFor([&] { return logCount(text) >= count; }, timeoutMs);
}

std::vector<std::string> ToolWindow::messageTexts() const {
    std::vector<std::string> texts;
    for (const MessageRequest& m : messages)
        texts.push_back(m.text);
    return texts;
}

bool ToolWindow::waitForMessage(const std::string& text, int timeoutMs) {
    return waitFor(
        [&] {
            for (const MessageRequest& m : messages)
                if (m.text == text)
                    return true;
            return false;
        },
        timeoutMs);
}

} // namespace lumiq::test
