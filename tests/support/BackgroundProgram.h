#pragma once
// A program that runs while a test or a benchmark acts on what it prints:
// its stdout goes to a file that can be followed, its stderr is kept, and it
// can be interrupted like Ctrl+C would.

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/ProgramRun.h"

namespace lumiq::testbed {

class BackgroundProgram {
public:
    // `outFile`: where stdout goes (replaced). argv[0] is the program's path.
    BackgroundProgram(const std::vector<std::string>& argv, std::string outFile,
                      std::chrono::milliseconds limit = std::chrono::minutes(5));
    ~BackgroundProgram(); // interrupts it when it still runs
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;

    // Until stdout holds `text` at least `times` times; false after `limit`.
    bool waitFor(const std::string& text, int times = 1,
                 std::chrono::milliseconds limit = std::chrono::seconds(40)) const;
    std::string out() const;
    void interrupt() const; // SIGINT
    // Waits for its end; the result's out is what it printed.
    ProgramResult end();

private:
    std::string outFile_;
    std::string pidFile_;
    std::thread thread_;
    ProgramResult result_;
};

} // namespace lumiq::testbed
