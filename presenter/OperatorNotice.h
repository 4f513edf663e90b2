#pragma once
// The two kinds of message box the presenter shows. Both carry the
// caption "提示"; the answer is never used.

#include <string>

#include "presenter/ControllerPorts.h"

namespace lumiq {

// OK and Cancel, no icon: failures of a transaction, duplicate modules.
void ShowNotice(OperatorDialogs& dialogs, const std::string& utf8Text);

// OK only, stop icon: input the operator has to correct first.
void ShowStop(OperatorDialogs& dialogs, const std::string& utf8Text);

} // namespace lumiq
