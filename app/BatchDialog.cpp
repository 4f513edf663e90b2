#include "app/BatchDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <set>

#include "app/BatchTableText.h"
#include "app/HandlerGuard.h"
#include "app/WindowText.h"
#include "state/AddressText.h"
#include "state/AtomicFile.h"

namespace lumiq {
namespace {

constexpr int kCheckColumn = 0;
constexpr int kIpColumn = 1;
constexpr int kMacColumn = 2;
constexpr int kAdapterColumn = 3;
constexpr int kFirstParamColumn = 4;
constexpr int kStatusColumn = kFirstParamColumn + static_cast<int>(kParamCount);
constexpr int kColumnCount = kStatusColumn + 1;
// The row of the job a table row shows, kept on its check box item: sorting
// moves table rows, never the job's.
constexpr int kJobRowRole = Qt::UserRole;

// The time a search waits for answers, as the window's own search.
constexpr int kSearchWaitMs = 1000;

QString Shown(const std::string& utf8) {
    return WindowText(utf8);
}

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(WindowText(caption), parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setAccessibleName(button->text());
    return button;
}

template <typename Widget> Widget* Named(Widget* widget, const char* name, const QString& accessible) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setAccessibleName(WindowText(accessible));
    return widget;
}

// Bytes from a module, shown with control characters escaped.
QString ModuleText(const std::string& bytes) {
    QString shown;
    for (const QChar c : QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()))) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            shown += c;
    }
    return shown;
}

QTableWidgetItem* ReadOnlyItem() {
    auto* item = new QTableWidgetItem;
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

BatchDialog::BatchDialog(QWidget* parent, BatchDialogServices services)
    : QDialog(parent), services_(std::move(services)), port_(services_.socket, services_.adapters) {
    setObjectName(QStringLiteral("BatchDialog"));
    setWindowTitle(WindowText(QStringLiteral("批量配置")));
    setAccessibleName(windowTitle());
    setWindowModality(Qt::WindowModal);
    clock_.start();
    wake_ = new QTimer(this);
    wake_->setObjectName(QStringLiteral("BatchWake"));
    wake_->setSingleShot(true);
    wake_->setTimerType(Qt::PreciseTimer);
    connect(wake_, &QTimer::timeout, this, [this] { guarded([this] { wake(); }); });
    createWidgets();
    newJob(services_.modules);
}

BatchDialog::~BatchDialog() = default;

void BatchDialog::createWidgets() {
    table_ = Named(new QTableWidget(0, kColumnCount, this), "BatchTable", QStringLiteral("模块"));
    QStringList headers{QString(), QStringLiteral("IP"), QStringLiteral("MAC"),
                        WindowText(QStringLiteral("网卡"))};
    for (const ParamRow& row : kParamRows)
        headers << Shown(BatchColumnHeader(row.param));
    headers << WindowText(QStringLiteral("状态"));
    table_->setHorizontalHeaderLabels(headers);
    table_->verticalHeader()->hide();
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setTabKeyNavigation(false); // Tab leaves the table for the buttons
    table_->setSortingEnabled(true);
    table_->horizontalHeader()->setStretchLastSection(true);
    connect(table_, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        // The dialog's own writes to the table are no choice of the operator's.
        if (!filling_)
            guarded([this, item] { itemChanged(item); });
    });

    searchButton_ = MakeButton(this, "BatchSearch", QStringLiteral("搜索"));
    checkAll_ = MakeButton(this, "BatchCheckAll", QStringLiteral("全选"));
    checkNone_ = MakeButton(this, "BatchCheckNone", QStringLiteral("全不选"));
    read_ = MakeButton(this, "BatchRead", QStringLiteral("读取"));
    preview_ = MakeButton(this, "BatchPreview", QStringLiteral("预览"));
    write_ = MakeButton(this, "BatchWrite", QStringLiteral("写入"));
    cancel_ = MakeButton(this, "BatchCancel", QStringLiteral("取消"));
    export_ = MakeButton(this, "BatchExport", QStringLiteral("导出…"));
    close_ = MakeButton(this, "BatchClose", QStringLiteral("关闭"));

    source_ = Named(new QComboBox(this), "BatchSource", QStringLiteral("写入内容"));
    source_->addItems({WindowText(QStringLiteral("当前面板")), QStringLiteral("CFG.ini…"),
                       WindowText(QStringLiteral("配置文件…"))});
    sourceFile_ = Named(new QLabel(this), "BatchSourceFile", QStringLiteral("写入内容的文件"));
    identity_ = Named(new QComboBox(this), "BatchIdentity", QStringLiteral("身份"));
    identity_->addItems({WindowText(QStringLiteral("无")), WindowText(QStringLiteral("地址段和名称模板")),
                         WindowText(QStringLiteral("身份表…"))});
    startAddress_ = Named(new QLineEdit(this), "BatchStartAddress", QStringLiteral("起始地址"));
    startAddress_->setPlaceholderText(QStringLiteral("192.168.1.100"));
    nameTemplate_ = Named(new QLineEdit(this), "BatchNameTemplate", QStringLiteral("名称模板"));
    nameTemplate_->setPlaceholderText(QStringLiteral("Lumiq-{n}"));
    tableFile_ = Named(new QLabel(this), "BatchTableFile", QStringLiteral("身份表文件"));
    progress_ = Named(new QProgressBar(this), "BatchProgress", QStringLiteral("进度"));
    count_ = Named(new QLabel(this), "BatchCount", QStringLiteral("完成数"));

    connect(searchButton_, &QPushButton::clicked, this, [this] { guarded([this] { search(); }); });
    connect(checkAll_, &QPushButton::clicked, this, [this] {
        guarded([this] {
            job_->checkAll(true);
            showRows();
        });
    });
    connect(checkNone_, &QPushButton::clicked, this, [this] {
        guarded([this] {
            job_->checkAll(false);
            showRows();
        });
    });
    connect(read_, &QPushButton::clicked, this, [this] { guarded([this] { read(); }); });
    connect(preview_, &QPushButton::clicked, this, [this] { guarded([this] { preview(); }); });
    connect(write_, &QPushButton::clicked, this, [this] { guarded([this] { write(); }); });
    connect(cancel_, &QPushButton::clicked, this, [this] { guarded([this] { cancel(); }); });
    connect(export_, &QPushButton::clicked, this, [this] { guarded([this] { exportTable(); }); });
    connect(close_, &QPushButton::clicked, this, &BatchDialog::reject);
    connect(source_, &QComboBox::activated, this,
            [this](int index) { guarded([this, index] { sourceChosen(index); }); });
    connect(identity_, &QComboBox::activated, this,
            [this](int index) { guarded([this, index] { identityChosen(index); }); });

    auto* top = new QHBoxLayout;
    top->addWidget(searchButton_);
    top->addWidget(checkAll_);
    top->addWidget(checkNone_);
    top->addStretch();

    auto* what = new QHBoxLayout;
    auto* sourceLabel = new QLabel(WindowText(QStringLiteral("写入内容：")), this);
    sourceLabel->setBuddy(source_);
    what->addWidget(sourceLabel);
    what->addWidget(source_);
    what->addWidget(sourceFile_, 1);

    auto* who = new QHBoxLayout;
    auto* identityLabel = new QLabel(WindowText(QStringLiteral("身份：")), this);
    identityLabel->setBuddy(identity_);
    who->addWidget(identityLabel);
    who->addWidget(identity_);
    auto* startLabel = new QLabel(WindowText(QStringLiteral("起始地址：")), this);
    startLabel->setBuddy(startAddress_);
    who->addWidget(startLabel);
    who->addWidget(startAddress_);
    auto* templateLabel = new QLabel(WindowText(QStringLiteral("名称模板：")), this);
    templateLabel->setBuddy(nameTemplate_);
    who->addWidget(templateLabel);
    who->addWidget(nameTemplate_);
    who->addWidget(tableFile_, 1);

    auto* runs = new QHBoxLayout;
    for (QPushButton* button : {read_, preview_, write_, cancel_, export_})
        runs->addWidget(button);
    runs->addWidget(progress_, 1);
    runs->addWidget(count_);
    runs->addWidget(close_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_, 1);
    layout->addLayout(what);
    layout->addLayout(who);
    layout->addLayout(runs);

    // Tab in the order the operator works: search, choose, read, say what, run.
    QWidget* order[] = {searchButton_, checkAll_, checkNone_, table_, source_, identity_, startAddress_,
                        nameTemplate_, read_,     preview_,   write_, cancel_, export_,   close_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    resize(1000, 520);
}

void BatchDialog::guarded(const std::function<void()>& handler) {
    RunGuarded(services_.boxes, handler);
    // Whatever the handler reached, the table and the timer follow the job.
    RunGuarded(services_.boxes, [this] {
        rearm();
        showRows();
        enableControls();
        // Widths follow the values once a run has brought them, not on every datagram.
        if (wasWorking_ && !working())
            table_->resizeColumnsToContents();
        wasWorking_ = working();
    });
}

fleet::Millis BatchDialog::now() const {
    return clock_.elapsed();
}

bool BatchDialog::working() const {
    return job_ && job_->running();
}

void BatchDialog::newJob(std::vector<fleet::FoundModule> modules) {
    fleet::EngineOptions options;
    options.ownAddresses = port_.ownAddresses();
    job_ = std::make_unique<fleet::BatchJob>(port_, std::move(modules), options);
    fillTable();
    showRows();
    enableControls();
}

void BatchDialog::onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data, int length) {
    if (length <= 0)
        return;
    const fleet::Arrival arrival = port_.arrivalOf(peerIp, peerPort);
    const std::string_view datagram(data, static_cast<std::size_t>(length));
    guarded([&] {
        if (job_->running())
            job_->onDatagram(arrival, datagram, now());
        afterSearch();
    });
}

void BatchDialog::wake() {
    if (job_->running())
        job_->advance(now());
    afterSearch();
}

// The job's own search has ended: its rows are the modules it found.
void BatchDialog::afterSearch() {
    if (!searching_ || job_->running())
        return;
    searching_ = false;
    fillTable();
}

void BatchDialog::rearm() {
    std::optional<fleet::Millis> next;
    if (job_ && job_->running())
        next = job_->nextWake();
    if (!next) {
        wake_->stop();
        return;
    }
    wake_->start(static_cast<int>(std::clamp<fleet::Millis>(*next - now(), 0, 60000)));
}

void BatchDialog::search() {
    if (working())
        return;
    fleet::SearchOptions options;
    options.waitMs = kSearchWaitMs;
    searching_ = true;
    job_->startSearch(services_.searchRoutes, port_.ownAddresses(), options, now());
    afterSearch();
}

void BatchDialog::read() {
    if (!working())
        job_->startRead(now());
}

void BatchDialog::preview() {
    if (!working())
        job_->startPreview(settings(), now());
}

void BatchDialog::write() {
    if (!working())
        job_->startWrite(settings(), now());
}

void BatchDialog::cancel() {
    if (job_->running())
        job_->stop(now());
    afterSearch();
}

fleet::BatchSettings BatchDialog::settings() const {
    BatchChoice choice = choice_;
    choice.startAddress = startAddress_->text().trimmed().toStdString();
    choice.nameTemplate = nameTemplate_->text().trimmed().toStdString();
    return MakeBatchSettings(choice, services_.panel);
}

QString BatchDialog::chooseFile(BatchFile which) {
    if (services_.chooseFile)
        return services_.chooseFile(this, which);
    switch (which) {
    case BatchFile::WindowSettings:
        return QFileDialog::getOpenFileName(this, QStringLiteral("CFG.ini"), QString(),
                                            QStringLiteral("CFG.ini (*.ini)"));
    case BatchFile::Profile:
        return QFileDialog::getOpenFileName(this, WindowText(QStringLiteral("配置文件")), QString(),
                                            WindowText(QStringLiteral("配置文件 (*.ini)")));
    case BatchFile::IdentityTable:
        return QFileDialog::getOpenFileName(this, WindowText(QStringLiteral("身份表")), QString(),
                                            WindowText(QStringLiteral("身份表 (*.csv)")));
    case BatchFile::Export:
        return QFileDialog::getSaveFileName(this, WindowText(QStringLiteral("导出")),
                                            QStringLiteral("lumiq-modules.csv"),
                                            WindowText(QStringLiteral("身份表 (*.csv)")));
    }
    return {};
}

void BatchDialog::sourceChosen(int index) {
    const auto source = static_cast<BatchSource>(std::clamp(index, 0, 2));
    if (source != BatchSource::Panel) {
        const QString path = chooseFile(source == BatchSource::WindowSettings ? BatchFile::WindowSettings
                                                                              : BatchFile::Profile);
        if (path.isEmpty()) {
            source_->setCurrentIndex(static_cast<int>(choice_.source));
            return;
        }
        choice_.sourcePath = QFile::encodeName(path).toStdString();
        sourceFile_->setText(path);
    } else {
        choice_.sourcePath.clear();
        sourceFile_->clear();
    }
    choice_.source = source;
}

void BatchDialog::identityChosen(int index) {
    const auto identity = static_cast<BatchIdentity>(std::clamp(index, 0, 2));
    if (identity == BatchIdentity::Table) {
        const QString path = chooseFile(BatchFile::IdentityTable);
        if (path.isEmpty()) {
            identity_->setCurrentIndex(static_cast<int>(choice_.identity));
            return;
        }
        choice_.tablePath = QFile::encodeName(path).toStdString();
        tableFile_->setText(path);
    } else {
        choice_.tablePath.clear();
        tableFile_->clear();
    }
    choice_.identity = identity;
}

void BatchDialog::exportTable() {
    const QString chosen = chooseFile(BatchFile::Export);
    if (chosen.isEmpty())
        return;
    const std::string path = QFile::encodeName(chosen).toStdString();
    // A device, a FIFO or a folder is never replaced by a table.
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        throw std::runtime_error(WindowText(QStringLiteral("不是普通文件：")).toStdString() + path);
    ReplaceFileContents(path, job_->exportCsv());
}

void BatchDialog::itemChanged(QTableWidgetItem* item) {
    if (item->column() != kCheckColumn)
        return;
    const auto row = static_cast<std::size_t>(item->data(kJobRowRole).toULongLong());
    if (!working() && row < job_->rows().size())
        job_->setChecked(row, item->checkState() == Qt::Checked);
}

void BatchDialog::fillTable() {
    filling_ = true;
    table_->setSortingEnabled(false);
    table_->setRowCount(static_cast<int>(job_->rows().size()));
    std::set<unsigned> adapters;
    for (std::size_t i = 0; i < job_->rows().size(); ++i) {
        const fleet::FoundModule& module = job_->rows()[i].module;
        adapters.insert(module.route.ifindex);
        const int r = static_cast<int>(i);
        auto* check = new QTableWidgetItem;
        check->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        check->setData(kJobRowRole, static_cast<qulonglong>(i));
        table_->setItem(r, kCheckColumn, check);
        for (int column = kIpColumn; column < kColumnCount; ++column)
            table_->setItem(r, column, ReadOnlyItem());
        table_->item(r, kIpColumn)->setText(QString::fromStdString(IpToText(module.ip)));
        table_->item(r, kMacColumn)->setText(ModuleText(module.mac));
        table_->item(r, kAdapterColumn)->setText(QString::fromStdString(module.route.adapter));
    }
    table_->setColumnHidden(kAdapterColumn, adapters.size() < 2);
    table_->setSortingEnabled(true);
    filling_ = false;
}

void BatchDialog::showRows() {
    if (!job_)
        return;
    const auto& rows = job_->rows();
    filling_ = true;
    table_->setSortingEnabled(false);
    std::array<bool, kParamCount> shown{};
    for (int r = 0; r < table_->rowCount(); ++r) {
        QTableWidgetItem* check = table_->item(r, kCheckColumn);
        const auto index = static_cast<std::size_t>(check->data(kJobRowRole).toULongLong());
        if (index >= rows.size())
            continue;
        const fleet::BatchRow& row = rows[index];
        check->setCheckState(row.checked ? Qt::Checked : Qt::Unchecked);
        check->setText(WindowText(row.checked ? QStringLiteral("选中") : QStringLiteral("未选")));
        for (const ParamRow& param : kParamRows) {
            QTableWidgetItem* cell = table_->item(r, kFirstParamColumn + static_cast<int>(param.param));
            const bool changes = BatchCellChanges(row, param.param);
            cell->setText(ModuleText(BatchCellText(row, param.param)));
            QFont font = cell->font();
            font.setBold(changes);
            cell->setFont(font);
            shown[static_cast<std::size_t>(param.param)] |= !cell->text().isEmpty();
        }
        table_->item(r, kStatusColumn)->setText(Shown(BatchStatusText(row)));
    }
    // The MAC has a column of its own; its parameter column shows only a change.
    for (const ParamRow& param : kParamRows) {
        const auto i = static_cast<std::size_t>(param.param);
        bool changes = false;
        for (const fleet::BatchRow& row : rows)
            changes |= BatchCellChanges(row, param.param);
        table_->setColumnHidden(kFirstParamColumn + static_cast<int>(i),
                                param.param == Param::Mac ? !changes : !shown[i]);
    }
    table_->setSortingEnabled(true);
    filling_ = false;

    const std::size_t checked = job_->checkedCount();
    progress_->setRange(0, static_cast<int>(std::max<std::size_t>(checked, 1)));
    progress_->setValue(static_cast<int>(std::min(job_->endedCount(), checked)));
    count_->setText(QStringLiteral("%1/%2").arg(job_->endedCount()).arg(checked));
}

void BatchDialog::enableControls() {
    const bool idle = !working();
    for (QWidget* control :
         std::initializer_list<QWidget*>{searchButton_, checkAll_, checkNone_, read_, preview_, write_,
                                         export_, close_, source_, identity_})
        control->setEnabled(idle);
    startAddress_->setEnabled(idle && choice_.identity == BatchIdentity::Pools);
    nameTemplate_->setEnabled(idle && choice_.identity == BatchIdentity::Pools);
    cancel_->setEnabled(!idle);
    for (int r = 0; r < table_->rowCount(); ++r) {
        QTableWidgetItem* check = table_->item(r, kCheckColumn);
        const Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
        filling_ = true;
        check->setFlags(idle ? flags | Qt::ItemIsUserCheckable : flags);
        filling_ = false;
    }
}

void BatchDialog::reject() {
    // Closing while frames are out would leave modules half written: the run
    // is stopped first, and the dialog closes once it has ended.
    if (working()) {
        guarded([this] { cancel(); });
        return;
    }
    QDialog::reject();
}

void BatchDialog::closeEvent(QCloseEvent* event) {
    if (working()) {
        guarded([this] { cancel(); });
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

} // namespace lumiq
