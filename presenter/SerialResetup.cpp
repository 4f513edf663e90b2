#include "presenter/SerialResetup.h"

#include "presenter/OperatorNotice.h"

namespace lumiq {

void ResetupSerialPort(const ControllerPorts& ports) {
    ports.log.addLogLine("          请重新设置软件的串口参数！");
    if (ports.serial.connected())
        ports.serial.close();
    for (;;) {
        ports.serial.showSetupDialog();
        // The baud combo lists 110 .. 256000 in the port's order; the port's
        // list has "Custom" in front, so item i is the port's rate i + 1 (and
        // a typed rate matching no item, index -1, is the custom rate).
        if (ports.serial.baudRateOrdinal() == ports.panel.itemIndex(Param::Baud) + 1)
            break;
        ShowStop(ports.dialogs, "请重新选择波特率！");
    }
    if (!ports.serial.connected())
        ports.serial.open();
}

} // namespace lumiq
