#pragma once
// Enumerations and sets of the serial port component. Ordinals start at 0 in
// the order given; callers rely on them (the main window compares the baud
// rate's ordinal with its own list).

#include "serial/EnumSet.h"

namespace lumiq {

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TComEvent { evRxChar, evTxEmpty, evRxFlag, evRing, evBreak, evCTS, evDSR, evError, evRLSD, evRx80Full };
enum TComSignal { csCTS, csDSR, csRing, csRLSD };
enum TComError { ceFrame, ceRxParity, ceOverrun, ceBreak, ceIO, ceMode, ceRxOver, ceTxFull };
// How line events reach the handlers: run on the main thread while the event
// thread waits (smThreadSync), posted to the main thread one by one while the
// thread goes on (smWindowSync), or run on the event thread itself (smNone).
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

using TComEvents = EnumSet<TComEvent, 10>;
using TComSignals = EnumSet<TComSignal, 4>;
using TComErrors = EnumSet<TComError, 8>;

} // namespace lumiq
