#include "app/HelpAndVersion.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace lumiq {
namespace {

constexpr const char* kUsage =
    "Usage: lumiq-config [QT-OPTION...]\n"
    "       lumiq-config --help | --version\n"
    "\n"
    "Finds Lumiq serial-to-Ethernet modules on the local network (UDP port 5000)\n"
    "and reads and writes their parameters, over the network or through a serial\n"
    "port, in a window. For many modules at once from a shell, see lumiq(1).\n"
    "\n"
    "Options:\n"
    "  -h, --help      show this help and exit\n"
    "      --version   show the version and exit\n"
    "  Qt's own options are taken too, such as -platform NAME or -style NAME.\n"
    "\n"
    "Environment:\n"
    "  LUMIQ_LANGUAGE=en|zh           the window's language this time: English or\n"
    "                                 Chinese (the default; 语言(Language) keeps a choice)\n"
    "  LUMIQ_SERIAL_PORTS=PATH:PATH   more serial ports for the port list\n"
    "  LUMIQ_AUTOANSWER_MESSAGES=1    answer every message box with OK and print its\n"
    "                                 caption and text to stderr instead\n"
    "  LUMIQ_QUIT_AFTER_MS=N          end N milliseconds after the window is shown\n"
    "  LUMIQ_SCREENSHOT=FILE.png      save a picture of the window just before it ends\n"
    "  LUMIQ_DEMO_TOUR=N              run the demo's scripted tour; its search must\n"
    "                                 list N modules (exit status 1 if a step fails)\n"
    "  LUMIQ_STARTUP_REPORT=FILE      append the time of the first paint and the peak\n"
    "                                 memory to FILE\n"
    "  XDG_CONFIG_HOME                where an installed copy keeps CFG.ini, adapter.ini\n"
    "                                 and language.ini\n"
    "  XDG_STATE_HOME                 where the last session's log and the latest\n"
    "                                 trace's path are kept\n"
    "  XDG_RUNTIME_DIR                where the single-instance lock is made\n";

constexpr const char* kVersion = "lumiq-config " LUMIQ_VERSION "\n";

int Print(const char* text) {
    if (std::fputs(text, stdout) >= 0 && std::fflush(stdout) == 0)
        return 0;
    std::fprintf(stderr, "lumiq-config: cannot write to stdout: %s\n", std::strerror(errno));
    return 1;
}

} // namespace

std::optional<int> AnswerHelpOrVersion(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h")
            return Print(kUsage);
        if (argument == "--version")
            return Print(kVersion);
    }
    return std::nullopt;
}

} // namespace lumiq
