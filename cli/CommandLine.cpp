#include "cli/CommandLine.h"

#include <CLI/CLI.hpp>

#include <iostream>

#include "cli/CommonOptions.h"
#include "cli/ExitStatus.h"
#include "cli/Subcommands.h"

namespace lumiq::cli {
namespace {

// "-" would put the trace's pcap bytes between the report's lines on stdout.
std::string NamesATraceFile(const std::string& path) {
    if (path == "-")
        return "\"-\" would mix the trace's pcap bytes into the report on stdout; name a file (or a FIFO, "
               "see lumiq(1))";
    return NamesAFile(path);
}

} // namespace

ParsedCommandLine ParseCommandLine(int argc, char** argv) {
    // They live as long as the program: the request points to the one given.
    static const std::vector<std::unique_ptr<Subcommand>> subcommands = AllSubcommands();
    Request request;
    OutputFlags output;
    CLI::App app("Configures Lumiq serial-to-Ethernet modules over the network or a serial port.", "lumiq");
    app.set_version_flag("--version", "lumiq " LUMIQ_VERSION);
    app.require_subcommand(1);
    app.add_option("--trace", request.tracePath, "record every datagram and serial exchange to FILE (pcap)")
        ->type_name("FILE")
        ->check(NamesATraceFile);
    app.footer("Exit status: 0 all targets succeeded, 1 one or more failed, 2 bad usage or input (nothing\n"
               "sent), 3 nothing found or no network, 130 interrupted. See lumiq(1).");
    for (const std::unique_ptr<Subcommand>& subcommand : subcommands) {
        Subcommand* given = subcommand.get();
        given->addTo(app, request, output).callback([&request, given] { request.subcommand = given; });
    }

    try {
        app.parse(argc, argv);
        request.format = output.format();
        request.csvByteOrderMark = output.byteOrderMark;
        request.subcommand->check(request);
    } catch (const CLI::ParseError& error) {
        const int status = app.exit(error);
        return ParsedCommandLine{std::nullopt, status == 0 ? kExitOk : kExitUsage, std::nullopt, {}};
    } catch (const std::exception& error) {
        std::cerr << "lumiq: " << error.what() << '\n';
        return ParsedCommandLine{std::nullopt, kExitUsage, std::move(request), error.what()};
    }
    return ParsedCommandLine{std::move(request), kExitOk, std::nullopt, {}};
}

} // namespace lumiq::cli
