#pragma once
// The port's four settings groups. Each is owned by its port and points back
// at it; a setter stores a changed value and has the port re-apply the group
// (which does nothing while the port is closed or inside BeginUpdate). A group
// made without a port only holds values, for assigning to a port's group.

#include "serial/ComTypes.h"

namespace lumiq {

class TCustomComPort;

class TComParity {
public:
    explicit TComParity(TCustomComPort* port = nullptr) : port_(port) {}
    TComParity(const TComParity&) = delete;
    TComParity& operator=(const TComParity&) = delete;

    TParityBits Bits() const { return bits_; }
    bool Check() const { return check_; }
    bool Replace() const { return replace_; }
    char ReplaceChar() const { return replaceChar_; }
    void SetBits(TParityBits value);
    void SetCheck(bool value);
    void SetReplace(bool value);
    void SetReplaceChar(char value);
    // Copies the values only; re-applying is up to the caller.
    void Assign(const TComParity& source);

private:
    TCustomComPort* port_;
    TParityBits bits_ = prNone;
    bool check_ = false;
    bool replace_ = false;
    char replaceChar_ = 0;
};

class TComFlowControl {
public:
    explicit TComFlowControl(TCustomComPort* port = nullptr) : port_(port) {}
    TComFlowControl(const TComFlowControl&) = delete;
    TComFlowControl& operator=(const TComFlowControl&) = delete;

    bool OutCTSFlow() const { return outCTSFlow_; }
    bool OutDSRFlow() const { return outDSRFlow_; }
    TDTRFlowControl ControlDTR() const { return controlDTR_; }
    TRTSFlowControl ControlRTS() const { return controlRTS_; }
    bool XonXoffOut() const { return xonXoffOut_; }
    bool XonXoffIn() const { return xonXoffIn_; }
    bool DSRSensitivity() const { return dsrSensitivity_; }
    bool TxContinueOnXoff() const { return txContinueOnXoff_; }
    char XonChar() const { return xonChar_; }
    char XoffChar() const { return xoffChar_; }
    void SetOutCTSFlow(bool value);
    void SetOutDSRFlow(bool value);
    void SetControlDTR(TDTRFlowControl value);
    void SetControlRTS(TRTSFlowControl value);
    void SetXonXoffOut(bool value);
    void SetXonXoffIn(bool value);
    void SetDSRSensitivity(bool value);
    void SetTxContinueOnXoff(bool value);
    void SetXonChar(char value);
    void SetXoffChar(char value);

    // The three named patterns of the switches, else fcCustom (not stored).
    TFlowControl FlowControl() const;
    // fcCustom changes no switch; every value re-applies the line settings.
    void SetFlowControl(TFlowControl value);
    void Assign(const TComFlowControl& source);

private:
    TCustomComPort* port_;
    bool outCTSFlow_ = false;
    bool outDSRFlow_ = false;
    TDTRFlowControl controlDTR_ = dtrDisable;
    TRTSFlowControl controlRTS_ = rtsDisable;
    bool xonXoffOut_ = false;
    bool xonXoffIn_ = false;
    bool dsrSensitivity_ = false;
    bool txContinueOnXoff_ = false;
    char xonChar_ = 17;
    char xoffChar_ = 19;
};

// Milliseconds; -1 stands for the largest unsigned 32-bit value.
class TComTimeouts {
public:
    explicit TComTimeouts(TCustomComPort* port = nullptr) : port_(port) {}
    TComTimeouts(const TComTimeouts&) = delete;
    TComTimeouts& operator=(const TComTimeouts&) = delete;

    int ReadInterval() const { return readInterval_; }
    int ReadTotalMultiplier() const { return readTotalMultiplier_; }
    int ReadTotalConstant() const { return readTotalConstant_; }
    int WriteTotalMultiplier() const { return writeTotalMultiplier_; }
    int WriteTotalConstant() const { return writeTotalConstant_; }
    void SetReadInterval(int value);
    void SetReadTotalMultiplier(int value);
    void SetReadTotalConstant(int value);
    void SetWriteTotalMultiplier(int value);
    void SetWriteTotalConstant(int value);
    void Assign(const TComTimeouts& source);

private:
    TCustomComPort* port_;
    int readInterval_ = -1;
    int readTotalMultiplier_ = 0;
    int readTotalConstant_ = 0;
    int writeTotalMultiplier_ = 100;
    int writeTotalConstant_ = 1000;
};

// Driver queue sizes in bytes; a positive odd size is stored one less.
class TComBuffer {
public:
    explicit TComBuffer(TCustomComPort* port = nullptr) : port_(port) {}
    TComBuffer(const TComBuffer&) = delete;
    TComBuffer& operator=(const TComBuffer&) = delete;

    int InputSize() const { return inputSize_; }
    int OutputSize() const { return outputSize_; }
    void SetInputSize(int value);
    void SetOutputSize(int value);
    void Assign(const TComBuffer& source);

private:
    TCustomComPort* port_;
    int inputSize_ = 1024;
    int outputSize_ = 1024;
};

} // namespace lumiq
