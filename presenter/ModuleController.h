#pragma once
// The presenter's face towards a front end: one call per button, menu
// item, timer tick and received datagram. The main window's handlers only
// forward here; a command-line front end can drive the same calls. Datagrams
// and ticks keep coming while a box is open, and may ask for boxes of their
// own: a front end whose boxes run nested loops hands the core its dialogs
// through a NoticeQueue.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "device/AdapterRoute.h"
#include "presenter/CommandLink.h"
#include "presenter/ControllerPorts.h"
#include "presenter/Discovery.h"
#include "presenter/LinkSwitch.h"
#include "presenter/PanelCommands.h"
#include "presenter/ReplyInterpreter.h"
#include "presenter/TransactionEngine.h"
#include "state/ToolState.h"

namespace lumiq {

class ModuleController {
public:
    ModuleController(ToolState& state, ControllerPorts ports);
    // Its parts refer to one another, so it stays where it was built.
    ModuleController(const ModuleController&) = delete;
    ModuleController& operator=(const ModuleController&) = delete;

    // Buttons. Each may throw (for example "Range check error" for an empty
    // field); the front end's handler boundary shows the text.
    // 搜索模块: as 自动 without routes, else on the adapters of `routes`.
    void search(std::vector<SearchRoute> routes = {});
    void selectModule(int index); // a click in the module list; -1 when no line is selected
    void readAll();               // 读参数
    void oneKeyWrite();           // 一键写入
    void query(Param which);      // the 查询 buttons and 读固件版本号 (Baud: the UART row)
    void set(Param which);        // the 设置 buttons (Baud: the UART row)
    void factoryDefault();        // 出厂设置
    void switchToSerial();        // 串口通讯
    void switchToUdp();           // TCPIP通讯

    // Events.
    void onTimerRead();
    void onTimerPortRes();
    void onTimerOut();
    // `arrivalAdapter`: the interface index it arrived on, 0 when not known.
    void onDatagram(std::uint32_t peerIp, std::uint16_t peerPort, const char* data, std::size_t length,
                    unsigned arrivalAdapter = 0);
    void interpretReply(std::string_view payload); // payload bytes as received (GBK)

    std::uint8_t retryCount() const;

private:
    // Built in this order; each refers only to those above it.
    ControllerPorts ports_;
    std::vector<SearchRoute> searchRoutes_; // the latest search's adapters; empty: 自动
    CommandLink link_;
    PanelCommands panel_;
    ReplyInterpreter interpreter_;
    TransactionEngine engine_;
    Discovery discovery_;
    LinkSwitch linkSwitch_;
};

} // namespace lumiq
