// 批量配置 end to end: sixteen modules found, twelve checked; read, preview
// (no set frame), a write with an address range and a name template that
// leaves the unchecked modules alone, a refused value, a cancel mid-way
// whose rows tell the truth, and an export that is an identity table again.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <cstdlib>
#include <fstream>
#include <set>

#include "fleet/PreparedSettings.h"
#include "tests/e2e/udp/UdpBed.h"

namespace lumiq::test {
namespace {

constexpr int kModules = 16;
constexpr int kStatusFromEnd = 1; // the status column is the last one

class BatchBed {
public:
    BatchBed() : bed(testbed::SimLanOptions{.modules = kModules}) {}

    // The table's row of module `index` (rows may be sorted).
    int rowOf(int index) {
        const QString mac = QString::fromStdString(bed.sim().params(index).at("MAC"));
        for (int row = 0; row < table()->rowCount(); ++row) {
            if (table()->item(row, 2) != nullptr && table()->item(row, 2)->text() == mac)
                return row;
        }
        return -1;
    }
    QString status(int index) {
        const int row = rowOf(index);
        return row < 0 ? QString() : table()->item(row, table()->columnCount() - kStatusFromEnd)->text();
    }
    QTableWidget* table() { return dialog()->findChild<QTableWidget*>("BatchTable"); }
    BatchDialog* dialog() { return bed.tool->Batch; }
    template <typename T> T* child(const char* name) { return dialog()->findChild<T*>(name); }
    // Clicks `button` and waits for the run to end.
    bool run(const char* button) {
        ToolWindow::click(child<QPushButton>(button));
        return ToolWindow::waitFor([&] { return !dialog()->working(); }, 60000);
    }
    void choose(const char* combo, int index) {
        auto* box = child<QComboBox>(combo);
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    std::size_t setFrames() {
        std::size_t sets = 0;
        for (const std::string& bytes : ReceivedBytes(bed.sim())) {
            const auto at = bytes.find("AT+");
            sets += at != std::string::npos && bytes.find('=', at) != std::string::npos &&
                    bytes.find("=?", at) == std::string::npos;
        }
        return sets;
    }

    UdpBed bed;
};

TEST(Batch, ChecksReadsPreviewsWritesCancelsAndExportsOnTheEngine) {
    BatchBed batch;
    testbed::ScratchDir scratch;
    std::ofstream(scratch.file("line.ini")) << "[profile]\ndport=9100\n";
    batch.bed.tool.chooseBatchFile = [&](BatchFile which) {
        return QString::fromStdString(scratch.file(which == BatchFile::Export ? "batch.csv" : "line.ini"));
    };
    ASSERT_TRUE(batch.bed.search(kModules));
    std::map<int, std::map<std::string, std::string>> before;
    for (int i = 0; i < kModules; ++i)
        before[i] = batch.bed.sim().params(i);
    batch.bed.sim().fault(5, "refuse NAME");

    ToolWindow::trigger(batch.bed.tool->BatchItem);
    ASSERT_NE(batch.dialog(), nullptr);
    ASSERT_EQ(batch.table()->rowCount(), kModules);
    for (int i = 12; i < kModules; ++i)
        batch.table()->item(batch.rowOf(i), 0)->setCheckState(Qt::Unchecked);

    ASSERT_TRUE(batch.run("BatchRead"));
    EXPECT_TRUE(batch.status(0).startsWith(QStringLiteral("已读取"))) << batch.status(0).toStdString();
    EXPECT_TRUE(batch.status(13).startsWith(QStringLiteral("未读"))) << batch.status(13).toStdString();

    batch.choose("BatchSource", 2);   // 配置文件…
    batch.choose("BatchIdentity", 1); // 地址段和名称模板
    batch.child<QLineEdit>("BatchStartAddress")->setText("10.77.3.1");
    batch.child<QLineEdit>("BatchNameTemplate")->setText("Batch-{n:02}");
    batch.bed.sim().clearLog();
    ASSERT_TRUE(batch.run("BatchPreview"));
    EXPECT_EQ(batch.setFrames(), 0u);
    EXPECT_TRUE(batch.table()->findItems(QStringLiteral("→ 9100"), Qt::MatchEndsWith).size() >= 12);

    ASSERT_TRUE(batch.run("BatchWrite"));
    EXPECT_EQ(batch.child<QLabel>("BatchCount")->text(), QStringLiteral("12/12"));
    if (const char* shot = std::getenv("LUMIQ_BATCH_SCREENSHOT")) {
        batch.dialog()->resize(1900, 600);
        batch.dialog()->grab().save(QString::fromLocal8Bit(shot));
    }
    std::set<std::string> addresses;
    for (int i = 0; i < 12; ++i) {
        const auto params = batch.bed.sim().params(i);
        if (i == 5) {
            EXPECT_TRUE(batch.status(i).startsWith(QStringLiteral("被拒绝")))
                << batch.status(i).toStdString();
            EXPECT_TRUE(batch.status(i).contains(QStringLiteral("name="))) << batch.status(i).toStdString();
            continue;
        }
        EXPECT_TRUE(batch.status(i).startsWith(QStringLiteral("已写入")))
            << i << batch.status(i).toStdString();
        EXPECT_EQ(params.at("NAME").substr(0, 6), "Batch-") << i;
        EXPECT_EQ(params.at("DPORT"), "9100") << i;
        EXPECT_EQ(params.at("IP").substr(0, 8), "10.77.3.") << i;
        addresses.insert(params.at("IP"));
    }
    EXPECT_EQ(addresses.size(), 11u);
    for (int i = 12; i < kModules; ++i)
        EXPECT_EQ(batch.bed.sim().params(i), before[i]) << i;

    // A cancel while the slow half is still at work.
    for (int i = 1; i < 12; i += 2)
        batch.bed.sim().fault(i, "delay 300");
    batch.child<QLineEdit>("BatchNameTemplate")->setText("Late-{n:02}");
    ToolWindow::click(batch.child<QPushButton>("BatchWrite"));
    ASSERT_TRUE(
        ToolWindow::waitFor([&] { return batch.status(0).startsWith(QStringLiteral("已写入")); }, 30000));
    ToolWindow::click(batch.child<QPushButton>("BatchCancel"));
    ASSERT_TRUE(ToolWindow::waitFor([&] { return !batch.dialog()->working(); }, 30000));
    int cancelled = 0;
    for (int i = 0; i < 12; ++i) {
        const QString status = batch.status(i);
        cancelled += status.startsWith(QStringLiteral("已取消"));
        EXPECT_FALSE(status.startsWith(QStringLiteral("写入中"))) << i;
        if (status.startsWith(QStringLiteral("已写入"))) {
            EXPECT_EQ(batch.bed.sim().params(i).at("NAME").substr(0, 5), "Late-") << i;
        }
    }
    EXPECT_GT(cancelled, 0);

    ToolWindow::click(batch.child<QPushButton>("BatchExport"));
    const fleet::IdentityTable exported = fleet::LoadIdentityTable(scratch.file("batch.csv"));
    EXPECT_EQ(exported.rows.size(), static_cast<std::size_t>(kModules));
    EXPECT_NO_THROW(fleet::CheckDistinctIdentities({}, &exported, exported.rows.size()));
    EXPECT_TRUE(batch.bed.tool.messages.empty());
}

} // namespace
} // namespace lumiq::test
