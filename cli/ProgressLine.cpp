#include "cli/ProgressLine.h"

#include <unistd.h>

#include <cstdio>

#include "cli/TerminalText.h"

namespace lumiq::cli {
namespace {

constexpr fleet::Millis kShowAfterMs = 1000;

} // namespace

ProgressLine::ProgressLine(fleet::Millis started)
    : started_(started), terminal_(isatty(STDERR_FILENO) == 1) {}

void ProgressLine::show(const std::string& text, fleet::Millis now) {
    if (!terminal_ || now - started_ < kShowAfterMs)
        return;
    // The line's own control sequences around a text that may quote a module.
    std::fprintf(stderr, "\r%s\033[K", TerminalText(text).c_str());
    std::fflush(stderr);
    shown_ = true;
}

void ProgressLine::clear() {
    if (!shown_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    shown_ = false;
}

} // namespace lumiq::cli
