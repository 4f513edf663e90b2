#pragma once
// The serial component's failure: a failure code (1 to 23) with its text and,
// where a system call failed, the system's error number (errno).

#include <stdexcept>
#include <string>

namespace lumiq {

enum ComFailure : int {
    kComOpenFailed = 1,
    kComWriteFailed = 2,
    kComReadFailed = 3,
    kComInvalidAsync = 4,
    kComPurgeFailed = 5,
    kComAsyncStatusFailed = 6,
    kComSetStateFailed = 7,
    kComSetTimeoutsFailed = 8,
    kComSetupFailed = 9,
    kComClearErrorFailed = 10,
    kComModemStatusFailed = 11,
    kComEscapeFailed = 12,
    kComTransmitCharFailed = 13,
    kComPropertyWhileConnected = 14,
    kComEnumPortsFailed = 15,
    kComStoreFailed = 16,
    kComLoadFailed = 17,
    kComLinkRegistrationFailed = 18,
    kComLedStateRefused = 19,
    kComWaitWithThread = 20,
    kComWaitFailed = 21,
    kComRxBufLinked = 22,
    kComListingFailed = 23,
};

class EComPort : public std::runtime_error {
public:
    // what(): the code's text. SystemError() is -1.
    explicit EComPort(int failureCode);
    // what(): the code's text + " (win error code: <systemError>)".
    EComPort(int failureCode, int systemError);

    int FailureCode() const noexcept { return failureCode_; }
    int SystemError() const noexcept { return systemError_; }

private:
    int failureCode_;
    int systemError_;
};

// The failure as the command line tells it: what could not be done on
// `port` and the system's own words for why ("cannot open the serial port
// /dev/ttyUSB0: Permission denied", in the user's locale). what() keeps the
// window's form, which its message boxes show.
std::string ComFailureInSystemWords(const EComPort& failure, const std::string& port);

// The text of a failure code as the catalog gave it at start-up (as quoted
// until then); empty for a code outside 1 to 23. Safe from any thread.
std::string ComFailureText(int failureCode);

// Passes the 23 texts through the "cport" catalog. InitComPortCatalog calls it
// once, before the event threads start.
void TranslateComFailureTexts();

} // namespace lumiq
