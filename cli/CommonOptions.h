#pragma once
// The options several subcommands share: the output's form and the search's.

#include <string>

#include "cli/Request.h"

namespace CLI {
class App;
class Option_group;
} // namespace CLI

namespace lumiq::cli {

inline constexpr int kMostModules = 4096;
inline constexpr int kLongestWaitMs = 600000;

struct OutputFlags {
    bool json = false;
    bool csv = false;
    bool byteOrderMark = false; // --bom, with --csv

    Format format() const { return json ? Format::Json : csv ? Format::Csv : Format::Table; }
};

void AddOutputOptions(CLI::App& command, OutputFlags& output, const char* csvHelp);
// --adapter, --wait, --expect and --rounds, into `group` when there is one.
void AddSearchOptions(CLI::App& command, Request& request, CLI::Option_group* group = nullptr);

// A check for an option that names a file to read or write: "" is a mistake
// (an unset variable in a script), never "no file".
std::string NamesAFile(const std::string& path);

} // namespace lumiq::cli
