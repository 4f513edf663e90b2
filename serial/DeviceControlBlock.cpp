#include "serial/DeviceControlBlock.h"

#include <array>

#include "serial/ComPort.h"

namespace lumiq {

std::uint32_t BaudRateValue(TBaudRate rate, int customBaudRate) {
    static constexpr std::array<std::uint32_t, 16> kRates = {
        0, 110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};
    if (rate == brCustom)
        return customBaudRate > 0 ? static_cast<std::uint32_t>(customBaudRate) : 0;
    return kRates.at(static_cast<std::size_t>(rate));
}

TComDcb BuildDcb(const TCustomComPort& port) {
    const TComFlowControl& flow = port.FlowControl();
    const TComParity& parity = port.Parity();
    TComDcb block;
    block.BaudRate = BaudRateValue(port.BaudRate(), port.CustomBaudRate());
    block.ByteSize = static_cast<std::uint8_t>(5 + port.DataBits());
    block.Parity = static_cast<std::uint8_t>(parity.Bits());
    block.StopBits = static_cast<std::uint8_t>(port.StopBits());

    std::uint32_t flags = dcb::kBinary;
    if (port.DiscardNull())
        flags |= dcb::kDiscardNull;
    if (flow.OutCTSFlow())
        flags |= dcb::kOutCtsFlow;
    if (flow.OutDSRFlow())
        flags |= dcb::kOutDsrFlow;
    static constexpr std::array<std::uint32_t, 3> kDtrField = {0, dcb::kDtrEnable, dcb::kDtrHandshake};
    static constexpr std::array<std::uint32_t, 4> kRtsField = {0, dcb::kRtsEnable, dcb::kRtsHandshake,
                                                               dcb::kRtsToggle};
    flags |= kDtrField.at(static_cast<std::size_t>(flow.ControlDTR()));
    flags |= kRtsField.at(static_cast<std::size_t>(flow.ControlRTS()));
    if (flow.XonXoffOut())
        flags |= dcb::kOutX;
    if (flow.XonXoffIn())
        flags |= dcb::kInX;
    if (flow.DSRSensitivity())
        flags |= dcb::kDsrSensitivity;
    if (flow.TxContinueOnXoff())
        flags |= dcb::kTxContinueOnXoff;
    if (parity.Check()) {
        flags |= dcb::kParityCheck;
        if (parity.Replace()) {
            flags |= dcb::kErrorChar;
            block.ErrorChar = parity.ReplaceChar();
        }
    }
    block.Flags = flags;

    const auto limit = static_cast<std::uint16_t>(port.Buffer().InputSize() / 4);
    block.XonLim = limit;
    block.XoffLim = limit;
    block.XonChar = flow.XonChar();
    block.XoffChar = flow.XoffChar();
    block.EventChar = port.EventChar();
    return block;
}

} // namespace lumiq
