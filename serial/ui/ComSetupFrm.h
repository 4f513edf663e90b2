#pragma once
// TComSetupFrm: the modal dialog that picks a port and its line settings, and
// EditComPort, which runs it on a port.

#include <QDialog>

#include <string>

class QGroupBox;
class QLabel;
class QPushButton;

namespace lumiq {

class TComComboBox;
class TCustomComPort;

class TComSetupFrm : public QDialog {
public:
    // Fills the six lists (the ports from the device listing: EComPort code
    // 23 when it cannot be read; nothing is shown then).
    explicit TComSetupFrm(QWidget* parent = nullptr);

    QGroupBox* GroupBox1;
    QLabel *Label1, *Label2, *Label3, *Label4, *Label5, *Label6;
    TComComboBox *Combo1, *Combo2, *Combo3, *Combo4, *Combo5, *Combo6;
    QPushButton* Button1; // "OK", the default button
    QPushButton* Button2; // "Cancel"

protected:
    // Escape does not cancel (the close box does).
    void keyPressEvent(QKeyEvent* event) override;
};

// Runs the dialog on the port; blocks in the dialog's own event loop. OK
// writes port name, baud rate, data bits, stop bits, parity and flow control
// in this order between BeginUpdate and EndUpdate (a closed port only keeps
// them; an open one is re-applied once). Cancel or the close box writes
// nothing. Failures reach the caller.
void EditComPort(TCustomComPort& port);

// The program's one call at start: the "cport" catalogs (InitComPortCatalog)
// and EditComPort as every port's ShowSetupDialog.
void InitComPortUi(const std::string& programDir);

} // namespace lumiq
