#pragma once
// What the station tells as it goes: on a terminal one line per module and
// what became of it, with the running count; with --json one JSON object per
// event, one a line, for a line's own software to follow. Texts from modules
// are shown escaped (TerminalText.h).

#include <ostream>
#include <string>

#include "cli/DoneHook.h"
#include "fleet/Station.h"

namespace lumiq::cli {

class StationOutput final : public fleet::StationEvents {
public:
    // `hook`: run for each module that is done; may be null.
    StationOutput(std::ostream& out, bool json, DoneHook* hook);

    void onStationEvent(const fleet::StationEvent& event, fleet::Millis now) override;
    // The last line or object: the counts, and why the station ended.
    void finish(const fleet::Station& station, bool interrupted);

private:
    void line(const fleet::StationEvent& event, fleet::Millis now);
    void object(const fleet::StationEvent& event, fleet::Millis now);

    std::ostream& out_;
    bool json_;
    DoneHook* hook_;
    int done_ = 0;
    int failed_ = 0;
};

// "Press-012" and the other values a module is given, as a short text:
// the name, else nothing.
std::string ValueOf(const fleet::StationModule& module, Param param);

} // namespace lumiq::cli
