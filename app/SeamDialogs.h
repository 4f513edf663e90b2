#pragma once
// The core's message boxes, shown through the program's message-box seam
// with the main window as parent.

#include "presenter/ControllerPorts.h"

class QWidget;

namespace lumiq {

class SeamDialogs : public OperatorDialogs {
public:
    explicit SeamDialogs(QWidget* parent);
    MessageAnswer showMessage(const MessageRequest& request) override;

private:
    QWidget* parent_;
};

} // namespace lumiq
