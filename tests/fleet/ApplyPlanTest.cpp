// Applying wanted values to modules, and the dry run, in fake time.

#include <gtest/gtest.h>

#include "fleet/ApplyPlan.h"
#include "fleet/CsvText.h"
#include "fleet/FleetEngine.h"
#include "tests/fleet/FakeLan.h"

namespace lumiq::fleet {
namespace {

using testing::FakeLan;

std::vector<Value> Wanted(const std::vector<std::string>& assignments) {
    std::vector<Value> values;
    for (const std::string& assignment : assignments)
        values.push_back(CheckAssignment(assignment));
    return values;
}

struct ApplyRun {
    FakeLan lan{3};
    FleetEngine engine{lan, EngineOptions{32, 1000, 3000, 3, 30, 300, {FakeLan::HostRoute().source}}};
    std::vector<ApplyPlan*> plans;

    void add(int module, const std::vector<Value>& wanted, bool dryRun) {
        auto plan = std::make_unique<ApplyPlan>(wanted, dryRun);
        plans.push_back(plan.get());
        engine.add(lan.module(module).mac(), FakeLan::HostRoute(), std::move(plan));
    }
    ApplySummary summary(int module, bool dryRun) {
        return Summarize(*engine.sessions()[static_cast<std::size_t>(module)],
                         *plans[static_cast<std::size_t>(module)], dryRun);
    }
};

TEST(ApplyPlan, WritesOnlyWhatDiffersAndReadsItBack) {
    ApplyRun run;
    const auto wanted = Wanted({"gateway=10.77.0.254", "parity=Odd", "port=7000", "name=一号"});
    run.add(0, wanted, false);
    // The second module is right already.
    for (const auto& [key, value] :
         std::vector<std::pair<std::string, std::string>>{{"GATEWAY", "10.77.0.254"},
                                                          {"UART", "9600,8,1,1"},
                                                          {"PORT", "7000"},
                                                          {"NAME", "\xD2\xBB\xBA\xC5"}}) {
        run.lan.module(1).params()[key] = value;
    }
    run.add(1, wanted, false);
    run.engine.start(0);
    run.lan.run(run.engine);

    const ApplySummary first = run.summary(0, false);
    EXPECT_EQ(first.result, ApplyResult::Applied) << first.detail;
    EXPECT_EQ(first.written, (std::vector<std::string>{"set gateway=10.77.0.254", "set port=7000",
                                                       "set name=一号", "set parity=Odd"}));
    EXPECT_EQ(run.lan.module(0).params().at("UART"), "9600,8,1,1");
    EXPECT_EQ(run.summary(1, false).result, ApplyResult::Unchanged);
    EXPECT_EQ(run.lan.framesTo(run.lan.module(1).mac(), "AT+PORT=7").size(), 0u);
}

TEST(ApplyPlan, ARefusalAndADryRunSayWhatWasAndWasNotWritten) {
    ApplyRun run;
    const auto wanted = Wanted({"mode=UDP", "port=7000"});
    run.add(0, wanted, true);
    run.add(1, wanted, false);
    run.engine.start(0);
    run.lan.run(run.engine, 400); // the first read is over for both
    // The second module refuses its first set.
    run.lan.module(1).faults().wrongAnswers = 1;
    run.lan.run(run.engine);

    const ApplySummary dry = run.summary(0, true);
    EXPECT_EQ(dry.result, ApplyResult::Differs);
    ASSERT_EQ(run.plans[0]->differences().size(), 2u);
    EXPECT_EQ(run.plans[0]->differences()[0].now, "TCP_Server");
    EXPECT_EQ(run.lan.framesTo(run.lan.module(0).mac(), "AT+MODEL=2").size(), 0u);

    const ApplySummary refused = run.summary(1, false);
    EXPECT_EQ(refused.result, ApplyResult::Refused);
    EXPECT_EQ(refused.detail, "set mode=UDP refused: ERROR");
    EXPECT_EQ(refused.notWritten, (std::vector<std::string>{"mode=UDP", "port=7000"}));
}

TEST(CsvText, RowsSurviveARoundTrip) {
    const std::vector<std::vector<std::string>> rows{{"mac", "name", "note"},
                                                     {"02:aa:00:00:00:01", "a,b", "say \"hi\"\nnext line"},
                                                     {"02:aa:00:00:00:02", "", " padded "}};
    std::string text = "\xEF\xBB\xBF";
    for (const auto& row : rows)
        text += CsvLine(row);
    text += "\r\n";
    const auto parsed = ParseCsv(text);
    ASSERT_EQ(parsed.size(), 3u);
    for (std::size_t i = 0; i < rows.size(); ++i)
        EXPECT_EQ(parsed[i].fields, rows[i]);
    EXPECT_EQ(parsed[2].line, 4);
    EXPECT_THROW(ParseCsv("a,\"b\nc"), CsvError);
    EXPECT_THROW(ParseCsv("a,\"b\"c\n"), CsvError);
}

} // namespace
} // namespace lumiq::fleet
