#pragma once
// The protocol core's serial link over the window's port component.

#include "protocol/ControllerPorts.h"
#include "serial/ComPort.h"

namespace lumiq {

class ComPortSerialLink final : public SerialLink {
public:
    explicit ComPortSerialLink(TCustomComPort& port) : port_(port) {}

    int writeStr(const std::string& bytes) override { return port_.WriteStr(bytes); }
    std::string readStr(int maxCount) override;
    bool connected() const override { return port_.Connected(); }
    void open() override { port_.Open(); }
    void close() override { port_.Close(); }
    std::string portName() const override { return port_.Port(); }
    int baudRateOrdinal() const override { return static_cast<int>(port_.BaudRate()); }
    void showSetupDialog() override { port_.ShowSetupDialog(); }

private:
    TCustomComPort& port_;
};

}  // namespace lumiq
