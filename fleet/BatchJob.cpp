#include "fleet/BatchJob.h"

#include <algorithm>

#include "fleet/CsvText.h"
#include "fleet/PooledIdentities.h"
#include "fleet/TakenIdentities.h"
#include "state/AddressText.h"

namespace lumiq::fleet {
namespace {

// Where the values every checked module shares are named in an error.
constexpr const char* kSharedWhere = "the shared values";

// The search's answers that had not come by its end may still come; no later
// than an exchange's time-out after the module's first one. Frames go by
// broadcast, as the window's own do.
Sighting SightingOf(const FoundModule& module, int timeoutMs) {
    return Sighting{module.ip, std::max(0, module.searchFrames - module.replies), module.firstAt + timeoutMs,
                    false};
}

BatchRow RowOf(FoundModule module) {
    BatchRow row;
    row.module = std::move(module);
    return row;
}

std::string StatusOf(const BatchRow& row) {
    return std::string(row.result ? ApplyResultName(*row.result) : BatchStateName(row.state));
}

} // namespace

std::string_view BatchStateName(BatchState state) {
    switch (state) {
    case BatchState::Idle:
        return "idle";
    case BatchState::Reading:
        return "reading";
    case BatchState::Read:
        return "read";
    case BatchState::Writing:
        return "writing";
    case BatchState::Ended:
        return "ended";
    }
    return "?";
}

BatchJob::BatchJob(DatagramPort& port, std::vector<FoundModule> modules, EngineOptions options)
    : port_(port), options_(std::move(options)) {
    for (FoundModule& module : modules)
        rows_.push_back(RowOf(std::move(module)));
}

BatchJob::~BatchJob() = default;

void BatchJob::setChecked(std::size_t row, bool checked) {
    if (!running() && row < rows_.size())
        rows_[row].checked = checked;
}

void BatchJob::checkAll(bool checked) {
    if (running())
        return;
    for (BatchRow& row : rows_)
        row.checked = checked;
}

// A frame to a MAC that two modules answer to reaches both: such rows are
// never worked on.
std::vector<std::size_t> BatchJob::checkedRows() const {
    std::vector<std::size_t> rows;
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].checked && !rows_[i].module.duplicateMac)
            rows.push_back(i);
    }
    return rows;
}

std::vector<std::vector<Value>> BatchJob::wantedOf(const BatchSettings& settings) const {
    Profile profile;
    profile.path = kSharedWhere;
    for (const Value& value : settings.shared)
        profile.values.push_back({value, kSharedWhere});
    const IdentityTable* table = settings.identities ? &*settings.identities : nullptr;
    std::vector<const FoundModule*> modules;
    for (const std::size_t row : checkedRows())
        modules.push_back(&rows_[row].module);
    CheckDistinctIdentities(profile, table, modules.size());
    // The pool's addresses keep clear of the ends of the shared values' subnet.
    IdentityPools pools = settings.pools;
    pools.setMaskFrom(settings.shared);
    const PooledIdentities pooled(pools, modules);
    pooled.refuseOneAddressTwice(profile, table, modules);
    std::vector<FoundModule> found;
    for (const BatchRow& row : rows_)
        found.push_back(row.module);
    const auto wanted = [&](const FoundModule& module) { return pooled.wanted(profile, table, &module); };
    RefuseTakenIdentity(modules, found, wanted);
    std::vector<std::vector<Value>> values;
    for (const FoundModule* module : modules)
        values.push_back(wanted(*module));
    return values;
}

void BatchJob::startRead(Millis now) {
    if (running())
        return;
    previewing_ = false;
    startRun(std::vector<std::vector<Value>>(checkedRows().size()), false, now);
}

void BatchJob::startPreview(const BatchSettings& settings, Millis now) {
    if (running())
        return;
    std::vector<std::vector<Value>> wanted = wantedOf(settings);
    previewing_ = true;
    startRun(std::move(wanted), false, now);
}

void BatchJob::startWrite(const BatchSettings& settings, Millis now) {
    if (running())
        return;
    std::vector<std::vector<Value>> wanted = wantedOf(settings);
    previewing_ = false;
    startRun(std::move(wanted), true, now);
}

void BatchJob::startRun(std::vector<std::vector<Value>> wanted, bool write, Millis now) {
    writing_ = write;
    engine_ = std::make_unique<FleetEngine>(port_, options_);
    running_ = checkedRows();
    taken_.assign(running_.size(), false);
    for (std::size_t i = 0; i < running_.size(); ++i) {
        BatchRow& row = rows_[running_[i]];
        engine_->add(row.module.mac, row.module.route,
                     std::make_unique<ApplyPlan>(std::move(wanted[i]), !write),
                     SightingOf(row.module, options_.timeoutMs));
        row.state = write ? BatchState::Writing : BatchState::Reading;
        row.changes.clear();
        row.result.reset();
        row.detail.clear();
        row.stepsDone = 0;
    }
    for (BatchRow& row : rows_) {
        if (row.checked && row.module.duplicateMac) {
            row.state = BatchState::Ended;
            row.result = ApplyResult::Failed;
            row.detail = "another module answers with this MAC: a frame to it would reach both";
        }
    }
    engine_->start(now);
    takeResults();
}

void BatchJob::startSearch(std::vector<SearchRoute> adapters, std::vector<std::uint32_t> own,
                           SearchOptions options, Millis now) {
    if (running())
        return;
    options_.ownAddresses = own;
    search_ = std::make_unique<ModuleSearch>(port_, std::move(adapters), options, std::move(own));
    search_->start(now);
    if (search_->finished())
        afterSearch();
}

void BatchJob::afterSearch() {
    std::vector<FoundModule> found = search_->found();
    for (FoundModule& module : found)
        module.searchFrames = search_->framesSentTo(module);
    search_.reset();
    engine_.reset();
    running_.clear();
    taken_.clear();
    rows_.clear();
    for (FoundModule& module : found)
        rows_.push_back(RowOf(std::move(module)));
}

// Each session's progress into its row, and its end once, as it comes.
void BatchJob::takeResults() {
    if (!engine_)
        return;
    for (std::size_t i = 0; i < running_.size(); ++i) {
        const Session& session = *engine_->sessions()[i];
        BatchRow& row = rows_[running_[i]];
        row.stepsDone = static_cast<int>(session.records().size());
        if (!session.finished() || taken_[i])
            continue;
        taken_[i] = true;
        const auto& plan = dynamic_cast<const ApplyPlan&>(session.plan());
        ApplySummary summary = Summarize(session, plan, !writing_);
        // What a run that broke off read stays beside what was read before.
        for (const auto& [param, value] : session.values())
            row.values.insert_or_assign(param, value);
        // A new MAC counts at once. A new address does not: a module sends
        // from the one it started with until it is restarted, and a search
        // finds it at the new one then.
        row.module.mac = session.mac();
        row.changes = plan.differences();
        const bool read = !writing_ && session.state() == SessionState::Done;
        row.state = read ? BatchState::Read : BatchState::Ended;
        if (read && !previewing_)
            continue;
        row.result = summary.result;
        row.detail = std::move(summary.detail);
    }
}

void BatchJob::onDatagram(const Arrival& arrival, std::string_view datagram, Millis now) {
    if (search_) {
        search_->onDatagram(arrival, datagram, now);
        if (search_->finished())
            afterSearch();
        return;
    }
    if (engine_) {
        engine_->onDatagram(arrival, datagram, now);
        takeResults();
    }
}

void BatchJob::advance(Millis now) {
    if (search_) {
        search_->advance(now);
        if (search_->finished())
            afterSearch();
        return;
    }
    if (engine_) {
        engine_->advance(now);
        takeResults();
    }
}

std::optional<Millis> BatchJob::nextWake() const {
    if (search_)
        return search_->nextWake();
    if (engine_ && !engine_->finished())
        return engine_->nextWake();
    return std::nullopt;
}

bool BatchJob::running() const {
    return search_ != nullptr || (engine_ && !engine_->finished());
}

void BatchJob::stop(Millis now) {
    if (search_) {
        search_.reset();
        return;
    }
    if (engine_ && !engine_->finished()) {
        engine_->stop(now);
        takeResults();
    }
}

std::size_t BatchJob::endedCount() const {
    return static_cast<std::size_t>(std::count(taken_.begin(), taken_.end(), true));
}

std::size_t BatchJob::checkedCount() const {
    return engine_ ? running_.size() : checkedRows().size();
}

// The columns of `lumiq read --csv`: mac first, the parameters in their
// order, then what the run says of each module in the columns an identity
// table leaves alone.
std::string BatchJob::exportCsv() const {
    std::vector<std::string> header{std::string(KeyOf(Param::Mac))};
    for (const Param param : kAllParams) {
        if (param != Param::Mac)
            header.emplace_back(KeyOf(param));
    }
    for (const ReportColumn column :
         {ReportColumn::Address, ReportColumn::Adapter, ReportColumn::Status, ReportColumn::Detail})
        header.emplace_back(ReportColumnName(column));
    std::string text = CsvLine(header);
    for (const BatchRow& row : rows_) {
        std::vector<std::string> fields{CanonicalReading(Param::Mac, row.module.mac)};
        for (const Param param : kAllParams) {
            if (param != Param::Mac)
                fields.push_back(ValueOf(row.values, param));
        }
        fields.insert(fields.end(),
                      {IpToText(row.module.ip), row.module.route.adapter, StatusOf(row), row.detail});
        text += CsvLine(fields);
    }
    return text;
}

} // namespace lumiq::fleet
