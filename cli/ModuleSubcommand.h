#pragma once
// A subcommand that works on modules: read, get, set, default and apply. It
// takes targets (MAC texts, addresses, all, --targets FILE), the search's
// options or a serial port, and runs the one course of cli/ModuleCourse.h;
// each subcommand says only what is its own: its items, checks, plan and rows.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitStatus.h"
#include "cli/Subcommand.h"
#include "fleet/ModuleSearch.h"
#include "fleet/Plan.h"
#include "fleet/Session.h"

namespace lumiq::cli {

// The modules a course is about to work on.
struct ModulesToWork {
    std::vector<const fleet::FoundModule*> modules; // as the search found them; none over a serial port
    std::vector<std::string> names;                 // each module as a question names it
    const std::vector<fleet::FoundModule>& found;   // every module that answered the search
};

class ModuleSubcommand : public Subcommand {
public:
    // `items`: how the help names its positional items ("TARGETS KEY...").
    ModuleSubcommand(std::string_view name, const char* help, const char* items)
        : name_(name), help_(help), itemsHelp_(items) {}

    std::string_view name() const final { return name_; }
    CLI::App& addTo(CLI::App& app, Request& request, OutputFlags& output) final;
    void check(Request& request) const final;
    ReportForm form() const override { return ReportForm::Values; }
    // Every parameter but the MAC, which each row shows anyway.
    std::vector<Param> columns(const Request& request) const override;
    bool worksOnModules() const final { return true; }
    // Over the network, or on the module wired to --serial.
    int run(const Request& request, Interrupt& interrupt, Report& report) const override;

    // What the course asks of the subcommand.
    // A write goes to a MAC: the search then waits for a second module with it.
    virtual bool writes(const Request&) const { return false; }
    // After the search, before anything is sent: throws UsageError, or gives
    // the exit status to end with at once.
    virtual std::optional<int> beforeWork(const Request&, Interrupt&, const ModulesToWork&) const {
        return std::nullopt;
    }
    // `module` is null over a serial port.
    virtual std::unique_ptr<fleet::Plan> planFor(const Request& request,
                                                 const fleet::FoundModule* module) const = 0;
    // A worked-on module's row, filled from its session already.
    virtual void finishRow(const Request&, ModuleRow&, const fleet::Session&) const {}
    // The row of a target not worked on: not found, ambiguous, or the search cut short.
    virtual void finishUnworked(ModuleRow&) const {}
    // 130 after Ctrl+C, 1 when a module did not succeed, else 0.
    virtual int statusOf(const Request& request, const Report& report) const;
    // When no module answered the search at all.
    virtual int nothingFoundStatus(const Request&) const { return kExitUnusable; }

protected:
    // Options of its own, after the shared ones.
    virtual void addOwnOptions(CLI::App&, Request&) {}
    virtual bool overSerial() const { return true; }
    // A positional item that is no target (an assignment, a key): taken into
    // the request, or false. Throws UsageError for a bad one.
    virtual bool takeItem(const std::string&, Request&) const { return false; }
    // What else an item may be, for the message that refuses one.
    virtual std::string otherItems() const { return {}; }
    // Before the targets are checked: apply takes its targets from its files.
    virtual void prepare(Request&) const {}
    // Once the targets are known good: its own items and options.
    virtual void checkAsked(const Request&) const {}

private:
    void sortItems(Request& request) const;

    std::string_view name_;
    const char* help_;
    const char* itemsHelp_;
    std::vector<std::string> given_; // targets, keys, assignments as typed
    std::string targetsFile_;
    bool targetsGiven_ = false;
};

// The keys `get` and `set` take, blank-separated, for their messages.
std::string KeyList();

} // namespace lumiq::cli
