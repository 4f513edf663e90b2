// The window's batch job against simulated modules in fake time: its own
// search, a read, a preview and a write with identity pools, the export.

#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <algorithm>
#include <fstream>

#include "fleet/BatchJob.h"
#include "tests/fleet/FakeLan.h"
#include "tests/state/TempFolder.h"

namespace lumiq::fleet {
namespace {

using testing::FakeLan;
using testing::SentFrame;

// Set frames ("AT+IP=..."), not queries ("AT+IP=?").
std::size_t SetsTo(const FakeLan& lan, const std::string& mac = "") {
    const auto frames = lan.framesTo(mac, "AT+");
    return static_cast<std::size_t>(std::count_if(frames.begin(), frames.end(), [](const SentFrame& frame) {
        return frame.bytes.find("=?") == std::string::npos;
    }));
}

const BatchRow& RowOf(const BatchJob& job, const std::string& mac) {
    const auto& rows = job.rows();
    return *std::find_if(rows.begin(), rows.end(),
                         [&](const BatchRow& row) { return row.module.mac == mac; });
}

TEST(BatchJob, ReadsPreviewsAndWritesTheCheckedModulesAsApplyDoes) {
    FakeLan lan(5);
    // Found first, but last by MAC: the pools go by MAC order.
    lan.module(0).params()["MAC"] = "02:4c:51:00:00:99";
    lan.module(3).faults().refused = "NAME";
    EngineOptions options;
    options.ownAddresses = {FakeLan::HostRoute().source};
    BatchJob job(lan, {}, options);
    const SearchRoute adapter{FakeLan::HostRoute(), inet_addr("10.77.255.255"), 16};
    job.startSearch({adapter}, {adapter.route.source}, SearchOptions{500, 0, 1}, lan.now);
    lan.run(job);
    ASSERT_EQ(job.rows().size(), 5u);
    const std::string untouched = lan.module(4).mac();
    for (std::size_t i = 0; i < job.rows().size(); ++i)
        job.setChecked(i, job.rows()[i].module.mac != untouched);

    job.startRead(lan.now);
    lan.run(job);
    EXPECT_EQ(RowOf(job, lan.module(2).mac()).state, BatchState::Read);
    EXPECT_EQ(ValueOf(RowOf(job, lan.module(2).mac()).values, Param::Name), "LUMIQ-003");
    EXPECT_EQ(RowOf(job, untouched).state, BatchState::Idle);

    BatchSettings settings;
    settings.shared = {CheckAssignment("port=7000")};
    // Every value is checked before anything is sent: four modules, two addresses.
    settings.pools = IdentityPools({"ip=10.77.2.10-10.77.2.11"});
    EXPECT_THROW(job.startWrite(settings, lan.now), PoolExhausted);
    settings.pools = IdentityPools({"ip=10.77.2.10-10.77.2.20", "name=Press-{n:02}"});
    job.startPreview(settings, lan.now);
    lan.run(job);
    EXPECT_EQ(SetsTo(lan), 0u);
    const BatchRow& previewed = RowOf(job, lan.module(1).mac());
    EXPECT_EQ(previewed.result, ApplyResult::Differs);
    ASSERT_EQ(previewed.changes.size(), 3u);
    EXPECT_EQ(previewed.changes[0].param, Param::Ip); // in the one-key order
    EXPECT_EQ(previewed.changes[0].wanted, "10.77.2.10");

    job.startWrite(settings, lan.now);
    EXPECT_EQ(job.checkedCount(), 4u);
    lan.run(job);
    EXPECT_EQ(job.endedCount(), 4u);
    // By MAC: modules 1, 2, 3, then 0; module 3 refuses its name.
    const std::vector<std::pair<int, std::string>> expected{{1, "01"}, {2, "02"}, {0, "04"}};
    for (const auto& [index, number] : expected) {
        const BatchRow& row = RowOf(job, lan.module(index).mac());
        EXPECT_EQ(row.result, ApplyResult::Applied) << index << row.detail;
        EXPECT_EQ(lan.module(index).params().at("NAME"), "Press-" + number);
        EXPECT_EQ(lan.module(index).params().at("PORT"), "7000");
    }
    EXPECT_EQ(lan.module(0).params().at("IP"), "10.77.2.13");
    const BatchRow& refused = RowOf(job, lan.module(3).mac());
    EXPECT_EQ(refused.result, ApplyResult::Refused);
    EXPECT_NE(refused.detail.find("name=Press-03"), std::string::npos) << refused.detail;
    EXPECT_EQ(SetsTo(lan, untouched), 0u);
    EXPECT_EQ(lan.module(4).params().at("NAME"), "LUMIQ-005");

    // The export is an identity table that holds what was read back.
    testfs::TempFolder folder;
    std::ofstream(folder / "batch.csv") << job.exportCsv();
    const IdentityTable table = LoadIdentityTable(folder / "batch.csv");
    ASSERT_EQ(table.rows.size(), 5u);
    const IdentityRow* row = table.find(lan.module(2).mac());
    ASSERT_NE(row, nullptr);
    const auto ip = std::find_if(row->values.begin(), row->values.end(),
                                 [](const SourcedValue& value) { return value.value.param == Param::Ip; });
    ASSERT_NE(ip, row->values.end());
    EXPECT_EQ(ip->value.text, "10.77.2.11");
}

} // namespace
} // namespace lumiq::fleet
