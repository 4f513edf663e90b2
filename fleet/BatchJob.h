#pragma once
// Many modules of one search worked on together, as the window's batch
// dialog offers it: read every checked module, preview what a write would
// change, write what differs and read it back, export the table. Each row
// is a module; the rows change as the engine goes, and a front end only
// shows them and forwards the operator's choices.
//
// What a module is to hold is made as `lumiq apply` makes it: the shared
// values, then the identity pools' values for it (the checked modules in the
// order of their MACs), then its row of an identity table; every value is
// checked, and no two modules may end with one address or MAC, before
// anything is sent.
//
// Like the engine, it never blocks and never reads a clock.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/ModuleValues.h"
#include "fleet/ApplyPlan.h"
#include "fleet/FleetEngine.h"
#include "fleet/IdentityPools.h"
#include "fleet/ModuleSearch.h"
#include "fleet/PreparedSettings.h"

namespace lumiq::fleet {

// Where a row stands. The ends are apply's (ApplyResult), for what a write did.
enum class BatchState : unsigned char {
    Idle,    // nothing done to it yet in this dialog
    Reading, // 读取 or 预览 under way
    Read,    // its values are in the row
    Writing, // 写入 under way
    Ended,   // the last run ended for it: see `result`
};

std::string_view BatchStateName(BatchState state); // "idle", "reading", "read", "writing", "ended"

struct BatchRow {
    FoundModule module;
    bool checked = true;
    BatchState state = BatchState::Idle;
    ModuleValues values;               // as last read (empty before)
    std::vector<Difference> changes;   // the last preview or write: old → new, in the one-key order
    std::optional<ApplyResult> result; // how the last run ended for it
    std::string detail;                // why it failed: which value was refused, the step that timed out, ...
    int stepsDone = 0;                 // for the row's progress while it runs
};

// What the checked modules are to hold.
struct BatchSettings {
    std::vector<Value> shared;               // the panel's, a CFG.ini's or a profile's (never IP or MAC)
    IdentityPools pools;                     // empty: none
    std::optional<IdentityTable> identities; // a CSV keyed by MAC
};

class BatchJob {
public:
    BatchJob(DatagramPort& port, std::vector<FoundModule> modules, EngineOptions options);
    ~BatchJob();
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    const std::vector<BatchRow>& rows() const { return rows_; }
    void setChecked(std::size_t row, bool checked); // not while running
    void checkAll(bool checked);

    // Reads every parameter of every checked module, at once.
    void startRead(Millis now);
    // Reads every checked module and fills `changes` with what a write of
    // `settings` would change; sends no set. Throws InputError naming the
    // value, the rule and the row (its MAC) when a value is bad, and sends
    // nothing then.
    void startPreview(const BatchSettings& settings, Millis now);
    // Writes what differs to every checked module and reads it back, as
    // apply does. Throws InputError as startPreview does, before anything
    // is sent.
    void startWrite(const BatchSettings& settings, Millis now);
    // Searches the adapters on the same port; once the search ends, the rows
    // are the modules found, all checked, and nothing else. A search that
    // is stopped leaves the rows as they were. `own`: this host's
    // addresses (network order), whose broadcasts come back.
    void startSearch(std::vector<SearchRoute> adapters, std::vector<std::uint32_t> own, SearchOptions options,
                     Millis now);
    // Each start does nothing while a run or a search is under way.

    void onDatagram(const Arrival& arrival, std::string_view datagram, Millis now);
    void advance(Millis now);
    std::optional<Millis> nextWake() const;
    bool running() const;
    // Stops as the command line's first Ctrl+C does: nothing new is sent,
    // the answers to what was sent are awaited; rows end cancelled, a value
    // sent and not confirmed reported as unconfirmed.
    void stop(Millis now);

    // Of the checked modules of the run under way or last run: how many ended.
    std::size_t endedCount() const;
    std::size_t checkedCount() const;

    // The table as `lumiq read --csv` writes it (an identity table again):
    // mac, every parameter read, address, adapter, status, detail; a row
    // per module, its parameter cells empty until it was read.
    std::string exportCsv() const;

private:
    std::vector<std::size_t> checkedRows() const;
    // What each checked row is to hold, in the order of checkedRows().
    std::vector<std::vector<Value>> wantedOf(const BatchSettings& settings) const;
    void startRun(std::vector<std::vector<Value>> wanted, bool write, Millis now);
    void takeResults();
    void afterSearch();

    DatagramPort& port_;
    EngineOptions options_;
    std::vector<BatchRow> rows_;
    std::unique_ptr<FleetEngine> engine_;
    std::vector<std::size_t> running_; // the engine's sessions' rows, in order
    std::vector<bool> taken_;          // per session: its end is in its row
    std::unique_ptr<ModuleSearch> search_;
    bool writing_ = false;
    bool previewing_ = false;
};

} // namespace lumiq::fleet
