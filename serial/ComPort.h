#pragma once
// TCustomComPort / TComPort: one serial port on termios. Its line settings,
// the open device, an event thread (TComThread) that hands line events to the
// handlers, and blocking reads and writes. Every failure throws EComPort.
//
// Threads: every operation and setter runs on the main (Qt) thread. With
// smThreadSync and smWindowSync the handlers run there too; with smNone they
// run on the event thread, where they must not race with the main thread's
// setters. The port is owned by its QObject parent (or by
// whoever made it without one); destroying an open port closes it first.

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "serial/ComDevice.h"
#include "serial/ComSettings.h"
#include "serial/ComTransfer.h"
#include "serial/ComTypes.h"
#include "serial/LineCounters.h"
#include "trace/TrafficTap.h"

namespace lumiq {

class TComThread;

class TCustomComPort : public QObject {
public:
    using TNotifyEvent = std::function<void(TCustomComPort& sender)>;
    using TRxCharEvent = std::function<void(TCustomComPort& sender, int count)>;
    using TRxBufEvent = std::function<void(TCustomComPort& sender, const char* buffer, int count)>;
    using TSignalEvent = std::function<void(TCustomComPort& sender, bool onOff)>;
    using TErrorEvent = std::function<void(TCustomComPort& sender, TComErrors errors)>;
    using TSetupDialog = std::function<void(TCustomComPort& port)>;

    explicit TCustomComPort(QObject* owner = nullptr);
    ~TCustomComPort() override;
    TCustomComPort(const TCustomComPort&) = delete;
    TCustomComPort& operator=(const TCustomComPort&) = delete;

    // Opening: hooks, device, settings, event thread, then the modem lines
    // reported once. Nothing when already open. Code 1 when the device cannot
    // be had (missing, busy, no terminal); codes 7, 8, 9 when it cannot take
    // the settings, which closes it again.
    void Open();
    // Closing: hooks, the event thread ended (pending hand-overs are served
    // meanwhile, so it never hangs), the device restored and closed. Nothing
    // when already closed. Main thread only, never from an smNone handler.
    void Close();
    bool Connected() const { return connected_.load(); }
    void SetConnected(bool value);

    // Settings changed between the two are applied once by the last EndUpdate.
    void BeginUpdate();
    void EndUpdate();
    virtual void SetupComPort(); // ApplyBuffer, ApplyDCB, ApplyTimeouts
    // Each applies its group to the open device; nothing while closed or
    // inside BeginUpdate/EndUpdate.
    virtual void ApplyDCB();      // code 7
    virtual void ApplyTimeouts(); // code 8
    virtual void ApplyBuffer();   // code 9

    // Block the calling thread within the time-outs (by default a read returns
    // at once with what is queued; a write of n bytes ends within
    // 100 * n + 1000 ms). Code 2 / code 3 with errno; EIO when the device is
    // gone. Closed: EBADF.
    int Write(const void* buffer, int count);
    int WriteStr(const std::string& text);
    int Read(void* buffer, int count);
    // text becomes the bytes read (at most count).
    int ReadStr(std::string& text, int count);
    // When set, the bytes of every write and read (those that went or came,
    // none when nothing did) are reported to it, from whichever thread the
    // call ran on. The front end that records a trace owns the tap.
    void SetTap(TrafficTap* tap) { tap_ = tap; }

    int InputCount();                          // bytes queued for reading; code 10
    int OutputCount();                         // bytes not sent yet; code 10
    void ClearBuffer(bool input, bool output); // code 5
    // No-op here: reads and writes block their caller, none is ever pending.
    void AbortAllAsync();
    // Modem input lines; empty for a device without them (a pseudo-terminal).
    TComSignals Signals(); // code 11
    // Line errors since the last call (clears them). Device loss reads as ceIO.
    TComErrors LastErrors(); // code 10

    // Line control, unused by the tool. Code 12 / code 13.
    void SetBreak(bool on);
    void SetDTR(bool on);
    void SetRTS(bool on);
    void SetXonXoff(bool xon); // act as if XON (true) or XOFF (false) came
    void TransmitChar(char ch);

    // Runs the setup dialog on this port (installed by the serial UI library,
    // see InitComPortUi). Whatever the dialog throws reaches the caller.
    void ShowSetupDialog();
    static void SetSetupDialog(TSetupDialog dialog);

    // Properties.
    TBaudRate BaudRate() const { return baudRate_; }
    void SetBaudRate(TBaudRate value);
    int CustomBaudRate() const { return customBaudRate_; }
    void SetCustomBaudRate(int value);
    const std::string& Port() const { return port_; }
    void SetPort(const std::string& value); // while open: closes and reopens
    TStopBits StopBits() const { return stopBits_; }
    void SetStopBits(TStopBits value);
    TDataBits DataBits() const { return dataBits_; }
    void SetDataBits(TDataBits value);
    bool DiscardNull() const { return discardNull_; }
    void SetDiscardNull(bool value);
    char EventChar() const { return eventChar_; }
    void SetEventChar(char value);
    TComEvents Events() const { return events_; }
    void SetEvents(TComEvents value) { events_ = value; } // at the next open
    TSyncMethod SyncMethod() const { return syncMethod_; }
    void SetSyncMethod(TSyncMethod value); // code 14 while open
    TThreadPriority EventThreadPriority() const { return threadPriority_; }
    void SetEventThreadPriority(TThreadPriority value); // code 14 while open
    bool TriggersOnRxChar() const { return triggersOnRxChar_; }
    void SetTriggersOnRxChar(bool value) { triggersOnRxChar_ = value; }

    TComParity& Parity() { return parity_; }
    const TComParity& Parity() const { return parity_; }
    TComFlowControl& FlowControl() { return flowControl_; }
    const TComFlowControl& FlowControl() const { return flowControl_; }
    TComTimeouts& Timeouts() { return timeouts_; }
    const TComTimeouts& Timeouts() const { return timeouts_; }
    TComBuffer& Buffer() { return buffer_; }
    const TComBuffer& Buffer() const { return buffer_; }
    // Copy all values of the given group, then re-apply it.
    void SetParity(const TComParity& value);
    void SetFlowControl(const TComFlowControl& value);
    void SetTimeouts(const TComTimeouts& value);
    void SetBuffer(const TComBuffer& value);

    // Event properties; an empty one is skipped.
    TRxCharEvent OnRxChar;
    TRxBufEvent OnRxBuf;
    TNotifyEvent OnTxEmpty, OnBreak, OnRing, OnRxFlag, OnRx80Full;
    TSignalEvent OnCTSChange, OnDSRChange, OnRLSDChange;
    TErrorEvent OnError;
    TNotifyEvent OnAfterOpen, OnAfterClose, OnBeforeOpen, OnBeforeClose;

    // The running event thread, or null. For tests and diagnostics.
    TComThread* EventThread() const { return thread_.get(); }
    // Errors found outside the driver's counters (device loss, by the event
    // thread; tests); the next LastErrors reports them. Any thread.
    void NoteLineErrors(TComErrors errors);
    // The input queue size in force, for the 80 % mark. Any thread.
    int AppliedInputSize() const { return appliedInputSize_.load(); }
    // For the event thread's blocking-free reads of the device.
    int DeviceFd() const { return device_.fd(); }

protected:
    virtual void CreateHandle();
    virtual void DestroyHandle();
    virtual void DoAfterClose();
    virtual void DoAfterOpen();
    virtual void DoBeforeClose();
    virtual void DoBeforeOpen();
    virtual void DoRxChar(int count);
    virtual void DoRxBuf(const char* buffer, int count);
    virtual void DoTxEmpty();
    virtual void DoBreak();
    virtual void DoRing();
    virtual void DoRxFlag();
    virtual void DoCTSChange(bool onOff);
    virtual void DoDSRChange(bool onOff);
    virtual void DoError(TComErrors errors);
    virtual void DoRLSDChange(bool onOff);
    virtual void DoRx80Full();

private:
    friend class TComThread;
    // Run for each event of a batch (by TComThread).
    void CallRxChar();
    void CallError();
    void CallTxEmpty();
    void CallBreak();
    void CallRing();
    void CallCTSChange();
    void CallDSRChange();
    void CallRxFlag();
    void CallRLSDChange();
    void CallRx80Full();
    void CallAfterOpen();
    void CallBeforeClose();
    bool ApplyAllowed() const { return Connected() && updateCount_ == 0; }
    void StopThreadAndRelease() noexcept;
    template <typename T> void ChangeLineSetting(T& field, T value);

    ComDevice device_;
    std::unique_ptr<TComThread> thread_;
    std::atomic<bool> connected_{false};
    int updateCount_ = 0;

    TBaudRate baudRate_ = br9600;
    int customBaudRate_ = 9600;
    std::string port_ = "COM1";
    TStopBits stopBits_ = sbOneStopBit;
    TDataBits dataBits_ = dbEight;
    bool discardNull_ = false;
    char eventChar_ = 0;
    TComEvents events_ = TComEvents::All();
    TSyncMethod syncMethod_ = smThreadSync;
    TThreadPriority threadPriority_ = tpNormal;
    bool triggersOnRxChar_ = true;
    TComParity parity_{this};
    TComFlowControl flowControl_{this};
    TComTimeouts timeouts_{this};
    TComBuffer buffer_{this};

    ComTransferTimeouts appliedTimeouts_;
    std::atomic<int> appliedInputSize_{1024};

    // Line errors not yet reported by LastErrors, and the counter reading
    // they were last taken from. Guarded: smNone handlers ask from the event
    // thread, and the event thread notes device loss.
    std::mutex errorsMutex_;
    TComErrors pendingErrors_;
    LineCounterSet lastErrorCounters_{};
    bool haveErrorCounters_ = false;
    std::atomic<bool> deviceLost_{false};
    std::atomic<TrafficTap*> tap_{nullptr};
};

// The published component: every setting and event of TCustomComPort.
class TComPort : public TCustomComPort {
public:
    using TCustomComPort::TCustomComPort;
};

} // namespace lumiq
