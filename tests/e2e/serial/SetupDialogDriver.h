#pragma once
// Plays the operator in the serial setup dialog: each time the modal dialog
// comes up, the next planned choice is made in its lists and OK or Cancel is
// pressed. A dialog that comes up with nothing planned is cancelled and
// counted, so a test never hangs in it.

#include <QPointer>
#include <QTimer>

#include <deque>
#include <string>
#include <vector>

namespace lumiq {
class TComSetupFrm;
}

namespace lumiq::test {

struct SetupChoice {
    std::string port;     // entry of the port list; empty: leave as shown
    std::string baudRate; // entry of the baud-rate list, e.g. "115200"; empty: leave
    bool ok = true;       // false: Cancel
};

class SetupDialogDriver {
public:
    SetupDialogDriver();
    SetupDialogDriver(const SetupDialogDriver&) = delete;
    SetupDialogDriver& operator=(const SetupDialogDriver&) = delete;

    // Queued: the n-th dialog gets the n-th choice.
    void plan(SetupChoice choice) { plan_.push_back(std::move(choice)); }
    bool planUsedUp() const { return plan_.empty(); }

    int shown() const { return shown_; }
    int unplanned() const { return unplanned_; }
    // The port list and the selections the last dialog showed when it came up.
    const std::vector<std::string>& offeredPorts() const { return offeredPorts_; }
    const std::string& shownPort() const { return shownPort_; }
    const std::string& shownBaudRate() const { return shownBaudRate_; }

private:
    void look();
    void act(TComSetupFrm& dialog);

    QTimer watch_;
    QPointer<TComSetupFrm> handled_;
    std::deque<SetupChoice> plan_;
    int shown_ = 0;
    int unplanned_ = 0;
    std::vector<std::string> offeredPorts_;
    std::string shownPort_;
    std::string shownBaudRate_;
};

} // namespace lumiq::test
