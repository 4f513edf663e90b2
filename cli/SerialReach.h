#pragma once
// The course's way to the one module wired to a serial port: no search, the
// module known by what it reports; the port opens once the subcommand's
// checks have passed, set up as the window sets its own up.

#include <memory>

#include "cli/ModuleCourse.h"
#include "links/ComPortSerialLink.h"
#include "serial/ComPort.h"

namespace lumiq::cli {

class SerialReach final : public ModuleReach {
public:
    SerialReach(const Request& request, Interrupt& interrupt);
    ~SerialReach() override;
    SerialReach(const SerialReach&) = delete;
    SerialReach& operator=(const SerialReach&) = delete;

    ReachedModules find(bool writes, Report& report) override;
    const std::vector<fleet::FoundModule>& found() const override { return none_; }
    std::string nameOf(const Resolved& module) const override;
    void open() override;
    const fleet::Session& add(const Resolved& module, std::unique_ptr<fleet::Plan> plan) override;
    bool run(std::string_view command) override;

private:
    const Request& request_;
    Interrupt& interrupt_;
    std::vector<fleet::FoundModule> none_;
    TComPort port_;
    bool opened_ = false;
    std::unique_ptr<ComPortSerialLink> link_;
    std::unique_ptr<fleet::FleetEngine> engine_;
};

} // namespace lumiq::cli
