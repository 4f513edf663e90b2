#pragma once
// The presenter's serial link over the window's port component.

#include "device/LinkPorts.h"
#include "serial/ComPort.h"

namespace lumiq {

// How the link words a failure of the port: as EComPort::what() has it,
// which the window's message boxes show, or in the system's words with the
// port's path (ComFailureInSystemWords), as the command line reports it.
enum class ComFailureWords : unsigned char { Window, System };

class ComPortSerialLink final : public SerialLink {
public:
    explicit ComPortSerialLink(TCustomComPort& port, ComFailureWords words = ComFailureWords::Window)
        : port_(port), words_(words) {}

    int writeStr(const std::string& bytes) override;
    std::string readStr(int maxCount) override;
    bool connected() const override { return port_.Connected(); }
    void open() override;
    void close() override;
    std::string portName() const override { return port_.Port(); }
    int baudRateOrdinal() const override { return static_cast<int>(port_.BaudRate()); }
    void showSetupDialog() override { port_.ShowSetupDialog(); }

private:
    template <typename Call> auto worded(Call call);

    TCustomComPort& port_;
    ComFailureWords words_;
};

} // namespace lumiq
