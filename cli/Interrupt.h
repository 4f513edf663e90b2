#pragma once
// Ctrl+C, SIGTERM and SIGHUP as events of the Qt loop: the signal handler
// only counts the signal and writes one byte to a pipe, which a socket
// notifier watches. The first one asks the run to stop gently (the answers
// to frames already sent are still awaited); a second one ends it at once.
// The signals are caught without SA_RESTART, so that a blocking read (the
// confirmation prompt) returns as well.

namespace lumiq::cli {

class Interrupt {
public:
    Interrupt();  // one at a time; installs the handlers
    ~Interrupt(); // restores the default handling
    Interrupt(const Interrupt&) = delete;
    Interrupt& operator=(const Interrupt&) = delete;

    bool pending() const { return count() > 0; }
    // Interrupts so far.
    int count() const;
    // Readable once an interrupt came; drain() empties it again.
    int fd() const { return pipe_[0]; }
    void drain() const;

private:
    int pipe_[2] = {-1, -1};
};

} // namespace lumiq::cli
