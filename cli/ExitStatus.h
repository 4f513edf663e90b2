#pragma once
// The exit statuses of lumiq, as its man page documents them, and the two
// errors that end a run before any module was worked on.

#include <stdexcept>

namespace lumiq::cli {

inline constexpr int kExitOk = 0;            // every target succeeded
inline constexpr int kExitFailed = 1;        // at least one target failed
inline constexpr int kExitUsage = 2;         // bad usage or bad input: nothing was sent
inline constexpr int kExitCheckTrouble = 2;  // apply --check: a module could not be compared
inline constexpr int kExitUnusable = 3;      // nothing found, or no network or port to work with
inline constexpr int kExitInterrupted = 130; // Ctrl+C, as shells report SIGINT

// Bad usage or a bad value; what() says which and why. Thrown before
// anything is sent.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// No adapter to search on, the UDP port taken, the serial port missing.
class Unusable : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace lumiq::cli
