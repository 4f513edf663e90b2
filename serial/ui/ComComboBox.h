#pragma once
// TComComboBox: a drop-down list bound to one setting of one port. It fills
// its own entries, shows the port's current value, remembers the operator's
// choice as a pending value and writes it to the port on ApplySettings (at
// once with AutoApply). The binding ends by itself when the port is destroyed.

#include <QComboBox>
#include <QMetaObject>

#include <string>

#include "serial/ComTypes.h"

namespace lumiq {

class TCustomComPort;

enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

class TComComboBox : public QComboBox {
public:
    explicit TComComboBox(QWidget* parent = nullptr);

    TCustomComPort* ComPort() const { return port_; }
    void SetComPort(TCustomComPort* port);
    TComProperty ComProperty() const { return property_; }
    // Refills the entries (for cpPort from the device listing, which may
    // throw EComPort code 23), then selects the port's value, or the first
    // entry when no port is bound.
    void SetComProperty(TComProperty property);
    bool AutoApply() const { return autoApply_; }
    void SetAutoApply(bool value) { autoApply_ = value; }
    // The selected entry's text, empty when nothing is selected. Setting a
    // text that is no entry (case ignored) changes nothing.
    std::string Text() const;
    void SetText(const std::string& text);

    // Selects the bound port's current value (nothing when it is no entry).
    void UpdateSettings();
    // Writes the pending value to the bound port through its setter.
    void ApplySettings();

protected:
    // The operator picked an entry.
    virtual void Change();

private:
    void SetPendingFrom(const std::string& text);
    std::string PortValueText() const;
    int FindText(const std::string& text) const;
    void Forget();

    TCustomComPort* port_ = nullptr;
    QMetaObject::Connection portGone_;
    TComProperty property_ = cpNone;
    bool autoApply_ = false;
    std::string pendingPort_;
    TBaudRate pendingBaudRate_ = brCustom;
    TDataBits pendingDataBits_ = dbFive;
    TStopBits pendingStopBits_ = sbOneStopBit;
    TParityBits pendingParity_ = prNone;
    TFlowControl pendingFlowControl_ = fcHardware;
};

} // namespace lumiq
