#include "serial/ComPort.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <stdexcept>

#include "serial/ComThread.h"
#include "serial/DeviceControlBlock.h"
#include "serial/EComPort.h"
#include "serial/TermiosLine.h"

namespace lumiq {
namespace {

TCustomComPort::TSetupDialog& InstalledSetupDialog() {
    static TCustomComPort::TSetupDialog dialog;
    return dialog;
}

void CheckIoctl(int result, int failureCode) {
    if (result != 0)
        throw EComPort(failureCode, errno);
}

int LengthOf(const std::string& text) {
    return static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
}

} // namespace

TCustomComPort::TCustomComPort(QObject* owner) : QObject(owner) {}

TCustomComPort::~TCustomComPort() {
    try {
        Close();
    } catch (...) {
        // A close hook threw; the device is released all the same.
        StopThreadAndRelease();
    }
}

void TCustomComPort::Open() {
    if (Connected())
        return;
    DoBeforeOpen();
    CreateHandle();
    connected_ = true;
    try {
        SetupComPort();
        if (!events_.empty())
            thread_ = std::make_unique<TComThread>(*this);
    } catch (...) {
        DestroyHandle();
        connected_ = false;
        throw;
    }
    CallAfterOpen();
}

void TCustomComPort::Close() {
    if (!Connected())
        return;
    if (thread_ && thread_->IsCurrentThread())
        throw std::logic_error("A port cannot be closed from its own event thread");
    CallBeforeClose();
    AbortAllAsync();
    thread_.reset(); // stops the thread and waits for it, serving its hand-overs
    DestroyHandle();
    connected_ = false;
    DoAfterClose();
}

void TCustomComPort::StopThreadAndRelease() noexcept {
    thread_.reset();
    DestroyHandle();
    connected_ = false;
}

void TCustomComPort::SetConnected(bool value) {
    if (value && !Connected())
        Open();
    else if (!value && Connected())
        Close();
}

void TCustomComPort::CreateHandle() {
    device_ = ComDevice::OpenExclusive(ComDevice::PathFor(port_));
    std::lock_guard lock(errorsMutex_);
    pendingErrors_ = {};
    deviceLost_ = false;
    // Errors counted before this open are not ours to report.
    haveErrorCounters_ = ReadLineCounters(device_.fd(), lastErrorCounters_) == 0;
}

void TCustomComPort::DestroyHandle() {
    device_.Close();
}

void TCustomComPort::BeginUpdate() {
    ++updateCount_;
}

void TCustomComPort::EndUpdate() {
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0)
        SetupComPort();
}

void TCustomComPort::SetupComPort() {
    ApplyBuffer();
    ApplyDCB();
    ApplyTimeouts();
}

void TCustomComPort::ApplyDCB() {
    if (!ApplyAllowed())
        return;
    if (int error = ApplyDcbToTerminal(device_.fd(), BuildDcb(*this)); error != 0)
        throw EComPort(kComSetStateFailed, error);
}

void TCustomComPort::ApplyTimeouts() {
    if (!ApplyAllowed())
        return;
    // termios keeps no time-outs: reads and writes take them from here.
    // -1 converts to the largest unsigned value, as it stands for.
    appliedTimeouts_.ReadInterval = static_cast<std::uint32_t>(timeouts_.ReadInterval());
    appliedTimeouts_.ReadTotalMultiplier = static_cast<std::uint32_t>(timeouts_.ReadTotalMultiplier());
    appliedTimeouts_.ReadTotalConstant = static_cast<std::uint32_t>(timeouts_.ReadTotalConstant());
    appliedTimeouts_.WriteTotalMultiplier = static_cast<std::uint32_t>(timeouts_.WriteTotalMultiplier());
    appliedTimeouts_.WriteTotalConstant = static_cast<std::uint32_t>(timeouts_.WriteTotalConstant());
}

void TCustomComPort::ApplyBuffer() {
    if (!ApplyAllowed())
        return;
    // The kernel sizes its own queues; the input size still sets the 80 % mark.
    if (buffer_.InputSize() <= 0 || buffer_.OutputSize() <= 0)
        throw EComPort(kComSetupFailed, EINVAL);
    appliedInputSize_ = buffer_.InputSize();
}

int TCustomComPort::Write(const void* buffer, int count) {
    const int written =
        WriteWithTimeouts(device_.fd(), static_cast<const char*>(buffer), count, appliedTimeouts_);
    if (written > 0 && thread_)
        thread_->NoteWriteDone();
    if (TrafficTap* tap = tap_.load(); tap != nullptr && written > 0)
        tap->serialWritten(
            std::string_view(static_cast<const char*>(buffer), static_cast<std::size_t>(written)));
    return written;
}

int TCustomComPort::WriteStr(const std::string& text) {
    return Write(text.data(), LengthOf(text));
}

int TCustomComPort::Read(void* buffer, int count) {
    const int got = ReadWithTimeouts(device_.fd(), static_cast<char*>(buffer), count, appliedTimeouts_);
    if (TrafficTap* tap = tap_.load(); tap != nullptr && got > 0)
        tap->serialRead(std::string_view(static_cast<const char*>(buffer), static_cast<std::size_t>(got)));
    return got;
}

int TCustomComPort::ReadStr(std::string& text, int count) {
    std::string received(static_cast<std::size_t>(std::max(count, 0)), '\0');
    const int got = Read(received.data(), count);
    received.resize(static_cast<std::size_t>(got));
    text = std::move(received);
    return got;
}

int TCustomComPort::InputCount() {
    int count = 0;
    CheckIoctl(::ioctl(device_.fd(), FIONREAD, &count), kComClearErrorFailed);
    return count;
}

int TCustomComPort::OutputCount() {
    int count = 0;
    CheckIoctl(::ioctl(device_.fd(), TIOCOUTQ, &count), kComClearErrorFailed);
    return count;
}

void TCustomComPort::ClearBuffer(bool input, bool output) {
    if (!input && !output)
        return;
    const int queues = input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH;
    CheckIoctl(::tcflush(device_.fd(), queues), kComPurgeFailed);
}

void TCustomComPort::AbortAllAsync() {}

TComSignals TCustomComPort::Signals() {
    int lines = 0;
    const int error = ReadModemLines(device_.fd(), lines);
    if (error != 0 && !IsUnsupported(error))
        throw EComPort(kComModemStatusFailed, error);
    return error == 0 ? SignalsOf(lines) : TComSignals{};
}

TComErrors TCustomComPort::LastErrors() {
    if (!device_.valid())
        throw EComPort(kComClearErrorFailed, EBADF);
    std::lock_guard lock(errorsMutex_);
    if (!deviceLost_) {
        LineCounterSet now{};
        const int error = ReadLineCounters(device_.fd(), now);
        if (error == 0) {
            if (haveErrorCounters_)
                pendingErrors_ |= ErrorsBetween(lastErrorCounters_, now);
            lastErrorCounters_ = now;
            haveErrorCounters_ = true;
        } else if (!IsUnsupported(error)) {
            throw EComPort(kComClearErrorFailed, error);
        }
    }
    TComErrors errors = std::exchange(pendingErrors_, TComErrors{});
    if (!parity_.Check())
        errors.erase(ceRxParity);
    return errors;
}

void TCustomComPort::NoteLineErrors(TComErrors errors) {
    std::lock_guard lock(errorsMutex_);
    pendingErrors_ |= errors;
    if (errors.contains(ceIO))
        deviceLost_ = true;
}

void TCustomComPort::SetBreak(bool on) {
    CheckIoctl(::ioctl(device_.fd(), on ? TIOCSBRK : TIOCCBRK), kComEscapeFailed);
}

void TCustomComPort::SetDTR(bool on) {
    int line = TIOCM_DTR;
    CheckIoctl(::ioctl(device_.fd(), on ? TIOCMBIS : TIOCMBIC, &line), kComEscapeFailed);
}

void TCustomComPort::SetRTS(bool on) {
    int line = TIOCM_RTS;
    CheckIoctl(::ioctl(device_.fd(), on ? TIOCMBIS : TIOCMBIC, &line), kComEscapeFailed);
}

void TCustomComPort::SetXonXoff(bool xon) {
    CheckIoctl(::tcflow(device_.fd(), xon ? TCOON : TCOOFF), kComEscapeFailed);
}

void TCustomComPort::TransmitChar(char ch) {
    if (::write(device_.fd(), &ch, 1) != 1)
        throw EComPort(kComTransmitCharFailed, errno == 0 ? EAGAIN : errno);
}

void TCustomComPort::ShowSetupDialog() {
    const TSetupDialog& dialog = InstalledSetupDialog();
    if (!dialog)
        throw std::logic_error("No serial setup dialog is installed (InitComPortUi was not called)");
    dialog(*this);
}

void TCustomComPort::SetSetupDialog(TSetupDialog dialog) {
    InstalledSetupDialog() = std::move(dialog);
}

template <typename T> void TCustomComPort::ChangeLineSetting(T& field, T value) {
    if (field == value)
        return;
    field = value;
    ApplyDCB();
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
    ChangeLineSetting(baudRate_, value);
}
void TCustomComPort::SetCustomBaudRate(int value) {
    ChangeLineSetting(customBaudRate_, value);
}
void TCustomComPort::SetStopBits(TStopBits value) {
    ChangeLineSetting(stopBits_, value);
}
void TCustomComPort::SetDataBits(TDataBits value) {
    ChangeLineSetting(dataBits_, value);
}
void TCustomComPort::SetDiscardNull(bool value) {
    ChangeLineSetting(discardNull_, value);
}
void TCustomComPort::SetEventChar(char value) {
    ChangeLineSetting(eventChar_, value);
}

void TCustomComPort::SetPort(const std::string& value) {
    if (port_ == value)
        return;
    port_ = value;
    if (Connected()) {
        Close();
        Open();
    }
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
    if (syncMethod_ == value)
        return;
    if (Connected())
        throw EComPort(kComPropertyWhileConnected);
    syncMethod_ = value;
}

void TCustomComPort::SetEventThreadPriority(TThreadPriority value) {
    if (threadPriority_ == value)
        return;
    if (Connected())
        throw EComPort(kComPropertyWhileConnected);
    threadPriority_ = value;
}

void TCustomComPort::SetParity(const TComParity& value) {
    parity_.Assign(value);
    ApplyDCB();
}

void TCustomComPort::SetFlowControl(const TComFlowControl& value) {
    flowControl_.Assign(value);
    ApplyDCB();
}

void TCustomComPort::SetTimeouts(const TComTimeouts& value) {
    timeouts_.Assign(value);
    ApplyTimeouts();
}

void TCustomComPort::SetBuffer(const TComBuffer& value) {
    buffer_.Assign(value);
    ApplyBuffer();
}

void TCustomComPort::CallRxChar() {
    const int count = InputCount();
    if (count <= 0)
        return; // a read came first
    if (!triggersOnRxChar_) {
        std::string received;
        if (ReadStr(received, count) > 0)
            DoRxBuf(received.data(), LengthOf(received));
        return;
    }
    DoRxChar(count);
}

void TCustomComPort::CallError() {
    const TComErrors errors = LastErrors();
    if (!errors.empty())
        DoError(errors);
}

void TCustomComPort::CallTxEmpty() {
    DoTxEmpty();
}
void TCustomComPort::CallBreak() {
    DoBreak();
}
void TCustomComPort::CallRing() {
    DoRing();
}
void TCustomComPort::CallRxFlag() {
    DoRxFlag();
}
void TCustomComPort::CallRx80Full() {
    DoRx80Full();
}
void TCustomComPort::CallCTSChange() {
    DoCTSChange(Signals().contains(csCTS));
}
void TCustomComPort::CallDSRChange() {
    DoDSRChange(Signals().contains(csDSR));
}
void TCustomComPort::CallRLSDChange() {
    DoRLSDChange(Signals().contains(csRLSD));
}

void TCustomComPort::CallAfterOpen() {
    DoAfterOpen();
    CallCTSChange();
    CallDSRChange();
    CallRLSDChange();
}

void TCustomComPort::CallBeforeClose() {
    DoCTSChange(false);
    DoDSRChange(false);
    DoRLSDChange(false);
    DoBeforeClose();
}

namespace {
template <typename Handler, typename... Args> void Fire(const Handler& handler, Args&&... args) {
    if (handler)
        handler(std::forward<Args>(args)...);
}
} // namespace

void TCustomComPort::DoAfterClose() {
    Fire(OnAfterClose, *this);
}
void TCustomComPort::DoAfterOpen() {
    Fire(OnAfterOpen, *this);
}
void TCustomComPort::DoBeforeClose() {
    Fire(OnBeforeClose, *this);
}
void TCustomComPort::DoBeforeOpen() {
    Fire(OnBeforeOpen, *this);
}
void TCustomComPort::DoRxChar(int count) {
    Fire(OnRxChar, *this, count);
}
void TCustomComPort::DoRxBuf(const char* buffer, int count) {
    Fire(OnRxBuf, *this, buffer, count);
}
void TCustomComPort::DoTxEmpty() {
    Fire(OnTxEmpty, *this);
}
void TCustomComPort::DoBreak() {
    Fire(OnBreak, *this);
}
void TCustomComPort::DoRing() {
    Fire(OnRing, *this);
}
void TCustomComPort::DoRxFlag() {
    Fire(OnRxFlag, *this);
}
void TCustomComPort::DoCTSChange(bool onOff) {
    Fire(OnCTSChange, *this, onOff);
}
void TCustomComPort::DoDSRChange(bool onOff) {
    Fire(OnDSRChange, *this, onOff);
}
void TCustomComPort::DoError(TComErrors errors) {
    Fire(OnError, *this, errors);
}
void TCustomComPort::DoRLSDChange(bool onOff) {
    Fire(OnRLSDChange, *this, onOff);
}
void TCustomComPort::DoRx80Full() {
    Fire(OnRx80Full, *this);
}

} // namespace lumiq
