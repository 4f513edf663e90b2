#pragma once
// The panel's buttons: the set buttons build and send their command at once;
// the query buttons, 读参数 and 读固件版本号 only name the query and start
// the sender timer; 一键写入 starts the write-all chain.

#include <string>

#include "presenter/CommandBindings.h"
#include "presenter/CommandLink.h"
#include "presenter/ControllerPorts.h"
#include "state/ToolState.h"

namespace lumiq {

class PanelCommands {
public:
    PanelCommands(ToolState& state, const ControllerPorts& ports, CommandLink& link);

    // Throws RangeCheckError for an empty field (nothing logged or sent,
    // PendingCommand unchanged); on the serial link the port's exception
    // after the caption has been logged and PendingCommand set.
    void set(const SetCommand& command);
    void query(Param which);
    void readAll();
    void oneKeyWrite();

private:
    // On UDP a module must be selected; says so ("请选择IP！") when not.
    bool selectionAllowed();
    // The argument as GBK bytes.
    std::string argumentOf(const SetCommand& command) const;
    std::string requiredText(Param field) const;

    ToolState& state_;
    ControllerPorts ports_;
    CommandLink& link_;
};

} // namespace lumiq
