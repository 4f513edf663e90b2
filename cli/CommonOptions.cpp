#include "cli/CommonOptions.h"

#include <CLI/CLI.hpp>

namespace lumiq::cli {

void AddOutputOptions(CLI::App& command, OutputFlags& output, const char* csvHelp) {
    CLI::Option* json =
        command.add_flag("--json", output.json, "one JSON document (see lumiq(1) for its schema)");
    CLI::Option* csv = command.add_flag("--csv", output.csv, csvHelp)->excludes(json);
    // Spreadsheet programs take a CSV without one for the local code page and
    // garble its Chinese; the default stays without, as pipes and scripts want.
    command
        .add_flag("--bom", output.byteOrderMark,
                  "with --csv: begin with a UTF-8 byte-order mark, for spreadsheet programs")
        ->needs(csv);
}

void AddSearchOptions(CLI::App& command, Request& request, CLI::Option_group* group) {
    CLI::App& into = group != nullptr ? static_cast<CLI::App&>(*group) : command;
    into.add_option("--adapter", request.adapters, "search on this adapter only (repeatable; default all)")
        ->allow_extra_args(false)
        ->type_name("NAME|all");
    into.add_option("--wait", request.search.waitMs, "how long a search round waits for answers")
        ->type_name("MS")
        ->check(CLI::Range(1, kLongestWaitMs))
        ->capture_default_str();
    into.add_option("--expect", request.search.expect, "end the search as soon as N modules answered")
        ->type_name("N")
        ->check(CLI::Range(1, kMostModules));
    into.add_option("--rounds", request.search.rounds, "search R times and merge the answers")
        ->type_name("R")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
}

std::string NamesAFile(const std::string& path) {
    return path.empty() ? "needs a file name, and \"\" is none" : std::string();
}

} // namespace lumiq::cli
