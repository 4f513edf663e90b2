#pragma once
// What one lumiq invocation asks for, checked in full: every target, key and
// value is known good before anything is sent.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/Parameter.h"
#include "device/ValueRules.h"
#include "fleet/IdentityPools.h"
#include "fleet/ModuleSearch.h"
#include "fleet/PreparedSettings.h"
#include "trace/TrafficTap.h"

namespace lumiq::cli {

class Subcommand;

enum class Format : unsigned char { Table, Json, Csv, Nagios };

struct Target {
    enum class Kind : unsigned char { Mac, Ip, All };
    Kind kind = Kind::All;
    std::string text;      // as given
    std::string canonical; // lower-case MAC text or dotted address
    std::uint32_t ip = 0;  // Kind::Ip, network order
};

struct Request {
    const Subcommand* subcommand = nullptr; // the one given
    Format format = Format::Table;
    bool csvByteOrderMark = false;     // --csv --bom
    std::vector<std::string> adapters; // names or addresses; empty: every adapter
    fleet::SearchOptions search;
    std::vector<Target> targets; // in the order given, each once
    std::vector<Param> keys;     // get
    std::vector<Value> values;   // set
    int parallel = 0;            // 0: the engine's default
    bool broadcast = false;      // every frame broadcast, none sent straight to a module
    int timeoutMs = 0;           // 0: the engine's default
    std::string serialPort;      // empty: over the network
    int baud = 9600;
    bool yes = false;       // default: no confirmation asked
    std::string bundlePath; // support-bundle --output; empty: a name of the moment, here
    // apply: the files as named, and what they hold, every value checked
    std::string profilePath;
    std::string identitiesPath;
    bool check = false;        // read and compare only
    bool takeIdentity = false; // a CFG.ini's module IP and MAC as well
    std::string metricsPath;   // --check --metrics: the Prometheus text file to replace
    bool nagios = false;       // --check --nagios: a monitoring plugin's status line
    fleet::Profile profile;
    std::optional<fleet::IdentityTable> identities;
    std::vector<std::string> assignments; // --assign KEY=TEMPLATE, as typed
    unsigned firstNumber = 1;             // --first: the first module's sequence number
    fleet::IdentityPools pools;           // made from those, every template checked
    std::string tracePath;                // --trace: empty for none
    TrafficTap* tap = nullptr;            // that trace, set by main: the socket and the port report to it

    bool allTargets() const;
};

} // namespace lumiq::cli
