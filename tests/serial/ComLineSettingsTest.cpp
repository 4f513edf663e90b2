// Line settings: from the port's properties to the device control block, and
// from there onto a real pseudo-terminal's termios.

#include <gtest/gtest.h>

#include <termios.h>

#include <cerrno>

#include "serial/ComPort.h"
#include "serial/DeviceControlBlock.h"
#include "serial/EComPort.h"
#include "serial/Termios2Rate.h"
#include "serial/TermiosLine.h"
#include "tests/serial/PtyPair.h"

namespace lumiq {
namespace {

using test::PtyPair;

termios SettingsOf(int fd) {
    termios settings{};
    EXPECT_EQ(::tcgetattr(fd, &settings), 0);
    return settings;
}

std::uint32_t RateOf(int fd) {
    std::uint32_t rate = 0;
    EXPECT_EQ(ReadTermios2Rate(fd, rate), 0);
    return rate;
}

class LineOnPty : public ::testing::Test {
protected:
    LineOnPty() {
        port.SetPort(pty.SlavePath());
        port.SetEvents({});
    }
    PtyPair pty;
    TComPort port;
};

TEST_F(LineOnPty, EveryRateReachesTheDriverIncludingThoseWithoutATermiosConstant) {
    const struct {
        TBaudRate rate;
        int custom;
        std::uint32_t expected;
    } cases[] = {
        {brCustom, 9600, 9600},     {br110, 0, 110},        {br14400, 0, 14400},   {br56000, 0, 56000},
        {br57600, 0, 57600},        {br115200, 0, 115200},  {br128000, 0, 128000}, {br256000, 0, 256000},
        {brCustom, 250000, 250000}, {brCustom, 1234, 1234},
    };
    port.Open();
    for (const auto& c : cases) {
        port.SetCustomBaudRate(c.custom == 0 ? 9600 : c.custom);
        port.SetBaudRate(c.rate);
        EXPECT_EQ(RateOf(pty.SlaveFd()), c.expected) << "ordinal " << c.rate;
    }
}

TEST_F(LineOnPty, ACustomRateOnlyCountsWhileTheRateIsCustom) {
    port.SetBaudRate(br19200);
    port.Open();
    port.SetCustomBaudRate(4800);
    EXPECT_EQ(RateOf(pty.SlaveFd()), 19200u);
    port.SetBaudRate(brCustom);
    EXPECT_EQ(RateOf(pty.SlaveFd()), 4800u);
}

TEST(TermiosLine, FramingAndFlowControlBecomeTermiosFlags) {
    const struct {
        TDataBits dataBits;
        TParityBits parity;
        TStopBits stopBits;
        TFlowControl flow;
        tcflag_t cflagSet;
        tcflag_t cflagClear;
        tcflag_t iflag;
    } cases[] = {
        {dbEight, prNone, sbOneStopBit, fcNone, CS8, PARENB | CSTOPB | CRTSCTS, IGNBRK},
        {dbSeven, prEven, sbTwoStopBits, fcNone, CS7 | PARENB | CSTOPB, PARODD | CMSPAR, IGNBRK},
        {dbFive, prOdd, sbOneStopBit, fcHardware, CS5 | PARENB | PARODD | CRTSCTS, CMSPAR, IGNBRK},
        {dbSix, prMark, sbOneStopBit, fcNone, CS6 | PARENB | PARODD | CMSPAR, 0, IGNBRK},
        {dbEight, prSpace, sbOneStopBit, fcSoftware, CS8 | PARENB | CMSPAR, PARODD | CRTSCTS,
         IGNBRK | IXON | IXOFF},
    };
    for (const auto& c : cases) {
        TComPort port;
        port.SetDataBits(c.dataBits);
        port.Parity().SetBits(c.parity);
        port.SetStopBits(c.stopBits);
        port.FlowControl().SetFlowControl(c.flow);
        termios settings{};
        settings.c_lflag = ICANON | ECHO;
        settings.c_oflag = OPOST;
        ASSERT_EQ(BuildTermios(BuildDcb(port), settings), 0);
        EXPECT_EQ(settings.c_cflag & CSIZE, c.cflagSet & CSIZE) << "data bits " << c.dataBits;
        EXPECT_EQ(settings.c_cflag & c.cflagSet, c.cflagSet) << "parity " << c.parity;
        EXPECT_EQ(settings.c_cflag & c.cflagClear, 0u) << "parity " << c.parity;
        EXPECT_EQ(settings.c_iflag, c.iflag) << "flow " << c.flow;
        EXPECT_EQ(settings.c_lflag, 0u) << "no line editing, no echo";
        EXPECT_EQ(settings.c_oflag, 0u) << "bytes go out unchanged";
        EXPECT_EQ(cfgetospeed(&settings), static_cast<speed_t>(B9600));
    }
}

TEST(TermiosLine, OnlyReplacingWithNulHasATermiosForm) {
    TComPort port;
    port.Parity().SetCheck(true);
    port.Parity().SetReplace(true);
    termios settings{};
    EXPECT_EQ(BuildTermios(BuildDcb(port), settings), 0);
    EXPECT_NE(settings.c_iflag & INPCK, 0u) << "a bad byte reads as NUL";
    port.Parity().SetReplaceChar('?');
    EXPECT_EQ(BuildTermios(BuildDcb(port), settings), EINVAL);
}

TEST_F(LineOnPty, APseudoTerminalTakesAnyFramingWithoutFailing) {
    port.SetDataBits(dbSeven);
    port.Parity().SetBits(prEven);
    port.SetStopBits(sbTwoStopBits);
    port.Open();
    EXPECT_NE(SettingsOf(pty.SlaveFd()).c_cflag & CSTOPB, 0u);
    port.SetDataBits(dbFive);
    port.Parity().SetBits(prMark);
    EXPECT_TRUE(port.Connected());
}

TEST_F(LineOnPty, SettingsWithoutATermiosFormAreRefusedWithCode7) {
    port.Open();
    try {
        port.SetStopBits(sbOne5StopBits);
        FAIL() << "1.5 stop bits accepted";
    } catch (const EComPort& failure) {
        EXPECT_EQ(failure.FailureCode(), kComSetStateFailed);
        EXPECT_EQ(failure.SystemError(), EINVAL);
    }
    EXPECT_EQ(port.StopBits(), sbOne5StopBits) << "the value stays stored";
    EXPECT_TRUE(port.Connected()) << "a refused setting leaves the port open";
    port.SetStopBits(sbOneStopBit);

    port.Close();
    port.FlowControl().SetControlDTR(dtrHandshake);
    EXPECT_THROW(port.Open(), EComPort);
    EXPECT_FALSE(port.Connected()) << "a configuration failure during open closes again";
    port.FlowControl().SetControlDTR(dtrEnable);
    port.Open();
    EXPECT_TRUE(port.Connected());
}

TEST_F(LineOnPty, ChangesInsideBeginUpdateWaitForTheLastEndUpdate) {
    port.Open();
    port.BeginUpdate();
    port.BeginUpdate();
    port.SetBaudRate(br19200);
    port.SetStopBits(sbOne5StopBits); // not applied, so not refused yet
    port.SetStopBits(sbTwoStopBits);
    port.EndUpdate();
    EXPECT_EQ(RateOf(pty.SlaveFd()), 9600u);
    port.EndUpdate();
    EXPECT_EQ(RateOf(pty.SlaveFd()), 19200u);
    EXPECT_NE(SettingsOf(pty.SlaveFd()).c_cflag & CSTOPB, 0u);
    port.EndUpdate(); // at zero: nothing
}

TEST_F(LineOnPty, AClosedPortKeepsSettingsForTheNextOpen) {
    port.SetBaudRate(br4800);
    port.SetStopBits(sbTwoStopBits);
    EXPECT_NE(RateOf(pty.SlaveFd()), 4800u);
    port.Open();
    EXPECT_EQ(RateOf(pty.SlaveFd()), 4800u);
    EXPECT_NE(SettingsOf(pty.SlaveFd()).c_cflag & CSTOPB, 0u);
}

TEST(DeviceControlBlock, FlagWordFollowsTheSwitches) {
    TComPort port;
    EXPECT_EQ(BuildDcb(port).Flags, dcb::kBinary) << "all switches off: binary mode only";
    EXPECT_EQ(BuildDcb(port).BaudRate, 9600u);

    port.FlowControl().SetFlowControl(fcHardware);
    EXPECT_EQ(BuildDcb(port).Flags, dcb::kBinary | dcb::kOutCtsFlow | dcb::kRtsHandshake);
    port.FlowControl().SetFlowControl(fcNone);
    port.FlowControl().SetControlDTR(dtrEnable);
    port.FlowControl().SetControlRTS(rtsToggle);
    EXPECT_EQ(BuildDcb(port).Flags, dcb::kBinary | dcb::kDtrEnable | dcb::kRtsToggle);

    TComPort replacing;
    replacing.Parity().SetReplace(true);
    replacing.Parity().SetReplaceChar('?');
    EXPECT_EQ(BuildDcb(replacing).Flags & dcb::kErrorChar, 0u) << "replacing needs checking";
    replacing.Parity().SetCheck(true);
    const TComDcb checked = BuildDcb(replacing);
    EXPECT_EQ(checked.Flags, dcb::kBinary | dcb::kParityCheck | dcb::kErrorChar);
    EXPECT_EQ(checked.ErrorChar, '?');
}

TEST(DeviceControlBlock, XonXoffLimitsAreAQuarterOfTheEvenInputSize) {
    const struct {
        int requested;
        int stored;
        std::uint16_t limit;
    } cases[] = {{1024, 1024, 256}, {1025, 1024, 256}, {1000, 1000, 250}, {7, 6, 1}};
    for (const auto& c : cases) {
        TComPort port;
        port.Buffer().SetInputSize(c.requested);
        EXPECT_EQ(port.Buffer().InputSize(), c.stored);
        EXPECT_EQ(BuildDcb(port).XonLim, c.limit);
        EXPECT_EQ(BuildDcb(port).XoffLim, c.limit);
    }
}

TEST(FlowControl, TheSummaryReadsTheNamedPatternsAndWritingSetsThem) {
    TComPort port;
    TComFlowControl& flow = port.FlowControl();
    EXPECT_EQ(flow.FlowControl(), fcNone);
    flow.SetFlowControl(fcHardware);
    EXPECT_EQ(flow.ControlRTS(), rtsHandshake);
    EXPECT_TRUE(flow.OutCTSFlow());
    EXPECT_EQ(flow.FlowControl(), fcHardware);
    flow.SetFlowControl(fcSoftware);
    EXPECT_EQ(flow.ControlRTS(), rtsDisable);
    EXPECT_FALSE(flow.OutCTSFlow());
    EXPECT_EQ(flow.FlowControl(), fcSoftware);
    flow.SetXonXoffIn(false);
    EXPECT_EQ(flow.FlowControl(), fcCustom) << "only one XON/XOFF switch";
    flow.SetFlowControl(fcCustom);
    EXPECT_TRUE(flow.XonXoffOut()) << "writing fcCustom changes no switch";
    flow.SetOutDSRFlow(true);
    flow.SetFlowControl(fcNone);
    EXPECT_EQ(flow.FlowControl(), fcNone) << "DSR flow and DTR are not looked at";
}

} // namespace
} // namespace lumiq
