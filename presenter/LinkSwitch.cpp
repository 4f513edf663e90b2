#include "presenter/LinkSwitch.h"

#include <exception>
#include <string>

#include "presenter/OperatorNotice.h"

namespace lumiq {

void LinkSwitch::switchToSerial() {
    try {
        ports_.serial.close();
        // OK applies the chosen settings, Cancel keeps the old ones; both go on.
        ports_.serial.showSetupDialog();
    } catch (...) {
        // In practice the port list cannot be read: no serial port here.
        ShowNotice(ports_.dialogs, "计算机上不存在串口");
        return;
    }
    state_.LinkMode = LinkMode::Serial;
    ports_.list.setSearchEnabled(false);
    if (ports_.serial.connected())
        return;

    try {
        ports_.serial.open();
    } catch (...) {
        fallBackToUdp();
        return;
    }
    ports_.log.appendPlain("现在切换到串口通讯方式");
    ports_.log.appendPlain("请把模块的CFG引脚电平拉低为0V");
    ShowNotice(ports_.dialogs, "请把模块的CFG引脚电平拉低为0V");
    ports_.udp.setActive(false);
}

void LinkSwitch::fallBackToUdp() {
    const std::string text = "端口 " + ports_.serial.portName() + " 已打开或不存在";
    try {
        ports_.serial.close();
    } catch (...) {
        // Nothing to report: the port is closed either way.
    }
    state_.LinkMode = LinkMode::Udp;
    ports_.udp.setActive(true);
    ports_.list.setSearchEnabled(true);
    ports_.log.appendPlain(text);
    ports_.log.appendPlain("仍为UDP通讯方式");
    ShowNotice(ports_.dialogs, text);
}

void LinkSwitch::switchToUdp() {
    state_.LinkMode = LinkMode::Udp;
    ports_.udp.setActive(true);
    ports_.list.setSearchEnabled(true);
    ports_.log.appendPlain("现在切换到 UDP 通讯方式");
}

} // namespace lumiq
