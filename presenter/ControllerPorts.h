#pragma once
// What the presenter needs from the outside world, as small interfaces.
// The main window implements them with widgets, timers, the socket and the
// serial port; tests implement them with fakes and fake time. Nothing here
// knows about widgets. All calls happen on the GUI thread.

#include <cstdint>
#include <string>

#include "device/LinkPorts.h"
#include "device/Parameter.h"
#include "presenter/MessageRequest.h"

namespace lumiq {

// The panel's controls, one per parameter (device/Parameter.h): the work
// mode, DHCP and the UART settings are combos, the version a read-only text,
// the rest edit boxes. Texts are UTF-8 as shown on screen.
class PanelView {
public:
    virtual ~PanelView() = default;
    virtual std::string text(Param field) const = 0;
    // Item index of a combo; -1 when its text matches no item.
    virtual int itemIndex(Param field) const = 0;
    virtual void setText(Param field, const std::string& utf8) = 0;
    // An index outside the items selects nothing.
    virtual void setItemIndex(Param field, int index) = 0;
};

// The list of found modules (one line per registry entry) and the search
// controls that are disabled while the serial link is in use.
class ModuleListView {
public:
    virtual ~ModuleListView() = default;
    virtual void clearLines() = 0;
    virtual void appendLine(const std::string& utf8) = 0;
    virtual void replaceLine(int index, const std::string& utf8) = 0;
    virtual void setSearchEnabled(bool enabled) = 0; // search button and list
    // A note shown over one line (the adapter its module answered on); a
    // view without such notes ignores it.
    virtual void setLineTip(int index, const std::string& utf8) {
        (void)index;
        (void)utf8;
    }
};

// The information log.
class InfoLog {
public:
    virtual ~InfoLog() = default;
    // One line: local date, blank, time, ": ", text.
    virtual void addLogLine(const std::string& utf8) = 0;
    // One line without a time stamp (also used for empty lines).
    virtual void appendPlain(const std::string& utf8) = 0;
};

class OperatorDialogs {
public:
    virtual ~OperatorDialogs() = default;
    // Modal: other events go on being handled while it is open.
    virtual MessageAnswer showMessage(const MessageRequest& request) = 0;
};

// A window timer. Ticks reach the controller through its onTimer... calls.
class EngineTimer {
public:
    virtual ~EngineTimer() = default;
    // While enabled, a new interval restarts the count from now.
    virtual void setInterval(int ms) = 0;
    virtual int interval() const = 0;
    // Enabling an enabled timer changes nothing.
    virtual void setEnabled(bool enabled) = 0;
    virtual bool enabled() const = 0;
};

// A real blocking pause of the GUI thread (the write-all chain relies on it).
class Pause {
public:
    virtual ~Pause() = default;
    virtual void pauseMs(int ms) = 0;
};

struct ControllerPorts {
    PanelView& panel;
    ModuleListView& list;
    InfoLog& log;
    OperatorDialogs& dialogs;
    EngineTimer& timerRead;    // the sender
    EngineTimer& timerPortRes; // the serial receive window
    EngineTimer& timerOut;     // the destination-IP watch
    Pause& pause;
    UdpLink& udp;
    SerialLink& serial;
};

} // namespace lumiq
