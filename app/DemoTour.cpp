#include "app/DemoTour.h"

#include <QAbstractItemModel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <exception>

#include "app/TFrmMain.h"
#include "app/WindowText.h"

namespace lumiq {
namespace {

// Log texts that mark the end of a step (the log writes them after the
// time stamp; success lines carry ten leading blanks), looked for in the
// window's language.
const QString kVersionLine = QStringLiteral("版本号为： ");
const QString kNameSet = QStringLiteral("设置模块设备名称成功");
const QString kMacSet = QStringLiteral("设置模块MAC地址成功");
const QString kDefaultDone = QStringLiteral("恢复出厂设置命令响应成功");
const QString kFailureEnd = QStringLiteral("失败");

} // namespace

DemoTour::DemoTour(TFrmMain& window, Options options)
    : QObject(&window), window_(window), options_(std::move(options)) {
    deadline_.setSingleShot(true);
    connect(&deadline_, &QTimer::timeout, this, [this] {
        Fail(QStringLiteral("no outcome within %1 s").arg(options_.stepDeadline.count() / 1000.0));
    });
    // The window tells of every change a step waits for: a log line or a
    // list line. Checks only read; moving on is queued, so no step starts
    // inside the handler that wrote the line.
    connect(window_.MemoInfo, &QPlainTextEdit::textChanged, this, &DemoTour::Check);
    connect(window_.ListBoxIP->model(), &QAbstractItemModel::rowsInserted, this, &DemoTour::Check);
    steps_ = BuildSteps();
}

std::vector<DemoTour::Step> DemoTour::BuildSteps() {
    TFrmMain& w = window_;
    auto versionSinceMark = [this] { return FindLine(WindowText(kVersionLine), mark_) >= 0; };
    auto panelSummary = [&w] {
        return QStringLiteral("%1, 设备名称 %2, 模块IP %3, 版本 %4")
            .arg(w.ListBoxIP->currentItem() ? w.ListBoxIP->currentItem()->text() : QString(),
                 w.Edt_Name->text(), w.Edt_IP->text(), w.LaVersion->text());
    };
    return {
        {QStringLiteral("search (搜索模块)"), [&w] { w.But_UDPFind->click(); },
         [this, &w] { return w.ListBoxIP->count() >= options_.modules; },
         [&w] { return QStringLiteral("%1 modules listed").arg(w.ListBoxIP->count()); }},
        {QStringLiteral("select the first module, which reads all its parameters"),
         // Selecting the line, as the arrow keys would, reads its module.
         [&w] { w.ListBoxIP->setCurrentRow(0); }, versionSinceMark, panelSummary},
        {QStringLiteral("read all (读参数)"), [&w] { w.But_Read->click(); }, versionSinceMark, panelSummary},
        {QStringLiteral("change the device name (设备名称 设置)"),
         [this, &w] {
             w.Edt_Name->setText(options_.newName);
             w.But_SetName->click();
         },
         [this] { return FindLine(WindowText(kNameSet), mark_) >= 0; },
         [this] { return QStringLiteral("the module is now called %1").arg(options_.newName); }},
        {QStringLiteral("one-key write (一键写入)"), [&w] { w.But_OneKey->click(); },
         [this] { return FindLine(WindowText(kMacSet), mark_) >= 0; },
         [] { return QStringLiteral("all eleven parameters written"); }},
        {QStringLiteral("factory default (出厂设置), then the read-back"), [&w] { w.But_Default->click(); },
         [this] {
             const int confirmed = FindLine(WindowText(kDefaultDone), mark_);
             return confirmed >= 0 && FindLine(WindowText(kVersionLine), confirmed + 1) >= 0;
         },
         [panelSummary] { return QStringLiteral("factory values read back: ") + panelSummary(); }},
    };
}

void DemoTour::start() {
    if (running_)
        return;
    running_ = true;
    current_ = 0;
    QTimer::singleShot(0, this, &DemoTour::RunStep);
}

void DemoTour::RunStep() {
    if (!running_)
        return;
    const Step& step = steps_[current_];
    emit progress(QStringLiteral("tour %1/%2: %3").arg(current_ + 1).arg(steps_.size()).arg(step.title));
    // Lines from here on are this step's. An empty log is one empty line,
    // which the first new line fills.
    mark_ = window_.MemoInfo->document()->isEmpty() ? 0 : LineCount();
    stepOpen_ = true;
    deadline_.start(options_.stepDeadline);
    try {
        step.act(); // the handlers behind it catch for themselves
    } catch (const std::exception& error) {
        Fail(QString::fromUtf8(error.what()));
        return;
    }
    Check();
}

void DemoTour::Check() {
    if (!running_ || !stepOpen_)
        return;
    const QString failure = FailureLineSinceMark();
    if (!failure.isEmpty()) {
        Fail(QStringLiteral("the log says: ") + failure.trimmed());
        return;
    }
    if (!steps_[current_].done())
        return;
    stepOpen_ = false;
    deadline_.stop();
    QTimer::singleShot(0, this, &DemoTour::Complete);
}

void DemoTour::Complete() {
    if (!running_)
        return;
    emit progress(QStringLiteral("    done: ") + steps_[current_].outcome());
    if (++current_ == steps_.size()) {
        running_ = false;
        emit finished(0, QString());
        return;
    }
    QTimer::singleShot(options_.pace, this, &DemoTour::RunStep);
}

void DemoTour::noteMessageBox(const QString& caption, const QString& text) {
    if (!running_)
        return;
    // The box is being answered inside some handler: end the tour afterwards.
    const QString why = QStringLiteral("message box [%1]: %2").arg(caption, text);
    QTimer::singleShot(0, this, [this, why] { Fail(why); });
}

void DemoTour::Fail(const QString& why) {
    if (!running_)
        return;
    running_ = false;
    stepOpen_ = false;
    deadline_.stop();
    const QString step = current_ < steps_.size() ? steps_[current_].title : QString();
    emit finished(
        1, QStringLiteral("step %1/%2 (%3) failed: %4").arg(current_ + 1).arg(steps_.size()).arg(step, why));
}

int DemoTour::LineCount() const {
    return window_.MemoInfo->document()->blockCount();
}

QString DemoTour::Line(int index) const {
    return window_.MemoInfo->document()->findBlockByNumber(index).text();
}

int DemoTour::FindLine(const QString& text, int from) const {
    const int count = LineCount();
    for (int i = from; i < count; ++i)
        if (Line(i).contains(text))
            return i;
    return -1;
}

QString DemoTour::FailureLineSinceMark() const {
    const int count = LineCount();
    for (int i = mark_; i < count; ++i) {
        const QString line = Line(i);
        if (line.endsWith(WindowText(kFailureEnd)))
            return line;
    }
    return {};
}

} // namespace lumiq
