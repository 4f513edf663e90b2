#pragma once
// A simulated module's serial port: a pseudo-terminal whose slave device is
// reached through a symbolic link at a path of the user's choice (the tool
// finds it through LUMIQ_SERIAL_PORTS). Commands arrive bare, each ended by
// "\r\n"; replies go back bare.

#include <string>
#include <vector>

#include "sim/UniqueFd.h"

namespace lumiq::sim {

class PtyPort {
public:
    // Opens the pseudo-terminal and makes `linkPath` a symbolic link to its
    // slave device. An existing symbolic link there is replaced; any other
    // file is left alone and the constructor throws.
    explicit PtyPort(std::string linkPath);
    // Removes the link if it still points to this port's device.
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    int fd() const { return master_.get(); }
    const std::string& linkPath() const { return linkPath_; }
    const std::string& devicePath() const { return devicePath_; }

    // Reads what has arrived and returns the complete command lines, each
    // with its "\r\n". Bytes that run past 4096 without a line end are
    // returned as one chunk of their own (junk, not a command). Never blocks.
    std::vector<std::string> readLines();

    // Queues bytes for the terminal; they go out as the tool reads, without
    // blocking the simulator.
    void write(const std::string& bytes);
    bool hasPendingOutput() const { return !output_.empty(); }
    // Writes as much of the queue as the terminal takes now.
    void flush();

private:
    std::string linkPath_;
    std::string devicePath_;
    UniqueFd master_;
    // Held open so that the master never sees a hang-up while the tool has
    // the port closed, and so that the line settings made here stay.
    UniqueFd slave_;
    std::string input_;
    std::string output_;
};

} // namespace lumiq::sim
