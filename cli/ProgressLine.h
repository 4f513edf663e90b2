#pragma once
// A live progress line on stderr while work runs, when stderr is a terminal
// and the work has lasted over a second: rewritten in place, erased at the end.

#include <string>

#include "fleet/FleetPorts.h"

namespace lumiq::cli {

class ProgressLine {
public:
    explicit ProgressLine(fleet::Millis started);
    ~ProgressLine() { clear(); }
    ProgressLine(const ProgressLine&) = delete;
    ProgressLine& operator=(const ProgressLine&) = delete;

    void show(const std::string& text, fleet::Millis now);
    void clear();

private:
    fleet::Millis started_;
    bool terminal_;
    bool shown_ = false;
};

} // namespace lumiq::cli
