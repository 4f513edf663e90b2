#include "serial/EComPort.h"

#include <array>
#include <atomic>
#include <cstring>

#include "serial/ComPortCatalog.h"

namespace lumiq {
namespace {

constexpr std::array<const char*, 23> kQuotedTexts = {
    "Unable to open com port",
    "WriteFile function failed",
    "ReadFile function failed",
    "Invalid Async parameter",
    "PurgeComm function failed",
    "Unable to get async status",
    "SetCommState function failed",
    "SetCommTimeouts failed",
    "SetupComm function failed",
    "ClearCommError function failed",
    "GetCommModemStatus function failed",
    "EscapeCommFunction function failed",
    "TransmitCommChar function failed",
    "Cannot set property while connected",
    "EnumPorts function failed",
    "Failed to store settings",
    "Failed to load settings",
    "Link (un)registration failed",
    "Cannot change led state if ComPort is selected",
    "Cannot wait for event if event thread is created",
    "WaitForEvent method failed",
    "A component is linked to OnRxBuf event",
    "Registry error",
};

constexpr const char* kSystemErrorSuffix = " (win error code: %d)";

// dgettext hands out texts that live as long as the program, so the table
// holds plain pointers (null: not translated yet); atomics keep a late
// translation race-free.
std::array<std::atomic<const char*>, 23> translatedTexts{};

// The suffix comes from a catalog file: only "%d" is filled in, nothing of it
// is used as a format string.
std::string SystemErrorSuffix(int systemError) {
    std::string suffix = CPortText(kSystemErrorSuffix);
    std::size_t at = suffix.find("%d");
    if (at == std::string::npos) {
        suffix = kSystemErrorSuffix;
        at = suffix.find("%d");
    }
    return suffix.replace(at, 2, std::to_string(systemError));
}

// What each failure with a system error could not do, as the command line
// says it; null for those that carry no system error.
const char* FailedAction(int failureCode) {
    switch (failureCode) {
    case kComOpenFailed:
        return "cannot open the serial port";
    case kComWriteFailed:
    case kComTransmitCharFailed:
        return "cannot write to the serial port";
    case kComReadFailed:
        return "cannot read from the serial port";
    case kComPurgeFailed:
        return "cannot flush the serial port";
    case kComSetStateFailed:
    case kComSetupFailed:
        return "cannot set up the serial port";
    case kComModemStatusFailed:
    case kComClearErrorFailed:
        return "cannot read the line state of the serial port";
    case kComEscapeFailed:
        return "cannot set the modem lines of the serial port";
    default:
        return nullptr;
    }
}

} // namespace

std::string ComFailureInSystemWords(const EComPort& failure, const std::string& port) {
    const char* action = FailedAction(failure.FailureCode());
    if (failure.SystemError() < 0)
        return port.empty() ? std::string(failure.what()) : port + ": " + failure.what();
    const std::string reason = std::strerror(failure.SystemError());
    if (failure.FailureCode() == kComListingFailed)
        return "cannot list the serial ports: " + reason;
    if (action == nullptr)
        return port + ": " + ComFailureText(failure.FailureCode()) + ": " + reason;
    return std::string(action) + " " + port + ": " + reason;
}

std::string ComFailureText(int failureCode) {
    if (failureCode < 1 || failureCode > static_cast<int>(kQuotedTexts.size()))
        return {};
    const auto index = static_cast<std::size_t>(failureCode - 1);
    const char* translated = translatedTexts[index].load();
    return translated != nullptr ? translated : kQuotedTexts[index];
}

void TranslateComFailureTexts() {
    for (std::size_t i = 0; i < kQuotedTexts.size(); ++i)
        translatedTexts[i].store(CPortTextPointer(kQuotedTexts[i]));
}

EComPort::EComPort(int failureCode)
    : std::runtime_error(ComFailureText(failureCode)), failureCode_(failureCode), systemError_(-1) {}

EComPort::EComPort(int failureCode, int systemError)
    : std::runtime_error(ComFailureText(failureCode) + SystemErrorSuffix(systemError)),
      failureCode_(failureCode), systemError_(systemError) {}

} // namespace lumiq
