#pragma once
// Ctrl+C as an event of the Qt loop: the signal handler only notes it and
// writes one byte to a pipe, which a socket notifier watches. SIGINT is
// caught without SA_RESTART, so that a blocking read (the confirmation
// prompt) returns as well.

namespace lumiq::cli {

class Interrupt {
public:
    Interrupt();   // one at a time; installs the handler
    ~Interrupt();  // restores the default handling
    Interrupt(const Interrupt&) = delete;
    Interrupt& operator=(const Interrupt&) = delete;

    bool pending() const;
    // Readable once Ctrl+C came.
    int fd() const { return pipe_[0]; }

private:
    int pipe_[2] = {-1, -1};
};

}  // namespace lumiq::cli
