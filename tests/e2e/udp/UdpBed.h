#pragma once
// What the UDP end-to-end tests share: the real window on a LAN of simulated
// modules, and short ways to search, select and look at the frames that
// reached the modules.

#include <QString>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tests/e2e/harness/ToolWindow.h"
#include "tests/support/simbed/SimLan.h"
#include "tests/support/simbed/SimProcess.h"
#include "tests/support/simbed/UdpProbe.h"

namespace lumiq::test {

using testbed::MonotonicMs;
using testbed::UdpFrame;

// A module file (sim/ModuleList.h) written to a private folder, removed with it.
class ModuleFile {
public:
    explicit ModuleFile(std::string_view text);
    const std::string& path() const { return path_; }

private:
    testbed::ScratchDir dir_;
    std::string path_;
};

// Expects every field of the panel, and the version box, to show exactly
// what a module holds (`params` as SimControl::params gives them).
void ExpectPanelShows(ToolWindow& tool, const std::map<std::string, std::string>& params);

// The bytes of every frame the simulator received since its log was cleared.
std::vector<std::string> ReceivedBytes(testbed::SimControl& control);

class UdpBed {
public:
    explicit UdpBed(testbed::SimLanOptions options);

    testbed::SimLan lan;
    ToolWindow tool;

    testbed::SimControl& sim() { return lan.control(); }
    // The host veth's MAC: what the tool must send as its own MAC text.
    const std::string& hostMac() const { return hostMac_; }

    // 搜索模块, then waits until the list holds `count` lines.
    [[nodiscard]] bool search(int count);
    // A click on line `row`, then waits for the read-all chain to end with the
    // version reply.
    [[nodiscard]] bool selectAndRead(int row);
    // Clicks `button` and waits until one more log line ends with `logText`.
    [[nodiscard]] bool clickAndWaitLog(QAbstractButton* button, const QString& logText);

private:
    std::string hostMac_;
};

} // namespace lumiq::test
