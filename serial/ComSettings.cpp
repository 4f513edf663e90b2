#include "serial/ComSettings.h"

#include "serial/ComPort.h"

namespace lumiq {

namespace {

using ApplyStep = void (TCustomComPort::*)();

// Stores a changed value and has the port re-apply its group.
template <typename T> void Change(T& field, T value, TCustomComPort* port, ApplyStep apply) {
    if (field == value)
        return;
    field = value;
    if (port != nullptr)
        (port->*apply)();
}

int EvenQueueSize(int value) {
    return value > 0 && value % 2 != 0 ? value - 1 : value;
}

} // namespace

void TComParity::SetBits(TParityBits value) {
    Change(bits_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComParity::SetCheck(bool value) {
    Change(check_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComParity::SetReplace(bool value) {
    Change(replace_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComParity::SetReplaceChar(char value) {
    Change(replaceChar_, value, port_, &TCustomComPort::ApplyDCB);
}

void TComParity::Assign(const TComParity& source) {
    bits_ = source.bits_;
    check_ = source.check_;
    replace_ = source.replace_;
    replaceChar_ = source.replaceChar_;
}

void TComFlowControl::SetOutCTSFlow(bool value) {
    Change(outCTSFlow_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetOutDSRFlow(bool value) {
    Change(outDSRFlow_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetControlDTR(TDTRFlowControl value) {
    Change(controlDTR_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetControlRTS(TRTSFlowControl value) {
    Change(controlRTS_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetXonXoffOut(bool value) {
    Change(xonXoffOut_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetXonXoffIn(bool value) {
    Change(xonXoffIn_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetDSRSensitivity(bool value) {
    Change(dsrSensitivity_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetTxContinueOnXoff(bool value) {
    Change(txContinueOnXoff_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetXonChar(char value) {
    Change(xonChar_, value, port_, &TCustomComPort::ApplyDCB);
}
void TComFlowControl::SetXoffChar(char value) {
    Change(xoffChar_, value, port_, &TCustomComPort::ApplyDCB);
}

TFlowControl TComFlowControl::FlowControl() const {
    if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcHardware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_)
        return fcSoftware;
    if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
    if (value != fcCustom) {
        controlRTS_ = rtsDisable;
        outCTSFlow_ = false;
        xonXoffIn_ = false;
        xonXoffOut_ = false;
        if (value == fcHardware) {
            controlRTS_ = rtsHandshake;
            outCTSFlow_ = true;
        } else if (value == fcSoftware) {
            xonXoffIn_ = true;
            xonXoffOut_ = true;
        }
    }
    if (port_ != nullptr)
        port_->ApplyDCB();
}

void TComFlowControl::Assign(const TComFlowControl& source) {
    outCTSFlow_ = source.outCTSFlow_;
    outDSRFlow_ = source.outDSRFlow_;
    controlDTR_ = source.controlDTR_;
    controlRTS_ = source.controlRTS_;
    xonXoffOut_ = source.xonXoffOut_;
    xonXoffIn_ = source.xonXoffIn_;
    dsrSensitivity_ = source.dsrSensitivity_;
    txContinueOnXoff_ = source.txContinueOnXoff_;
    xonChar_ = source.xonChar_;
    xoffChar_ = source.xoffChar_;
}

void TComTimeouts::SetReadInterval(int value) {
    Change(readInterval_, value, port_, &TCustomComPort::ApplyTimeouts);
}
void TComTimeouts::SetReadTotalMultiplier(int value) {
    Change(readTotalMultiplier_, value, port_, &TCustomComPort::ApplyTimeouts);
}
void TComTimeouts::SetReadTotalConstant(int value) {
    Change(readTotalConstant_, value, port_, &TCustomComPort::ApplyTimeouts);
}
void TComTimeouts::SetWriteTotalMultiplier(int value) {
    Change(writeTotalMultiplier_, value, port_, &TCustomComPort::ApplyTimeouts);
}
void TComTimeouts::SetWriteTotalConstant(int value) {
    Change(writeTotalConstant_, value, port_, &TCustomComPort::ApplyTimeouts);
}

void TComTimeouts::Assign(const TComTimeouts& source) {
    readInterval_ = source.readInterval_;
    readTotalMultiplier_ = source.readTotalMultiplier_;
    readTotalConstant_ = source.readTotalConstant_;
    writeTotalMultiplier_ = source.writeTotalMultiplier_;
    writeTotalConstant_ = source.writeTotalConstant_;
}

void TComBuffer::SetInputSize(int value) {
    Change(inputSize_, EvenQueueSize(value), port_, &TCustomComPort::ApplyBuffer);
}
void TComBuffer::SetOutputSize(int value) {
    Change(outputSize_, EvenQueueSize(value), port_, &TCustomComPort::ApplyBuffer);
}

void TComBuffer::Assign(const TComBuffer& source) {
    inputSize_ = source.inputSize_;
    outputSize_ = source.outputSize_;
}

} // namespace lumiq
