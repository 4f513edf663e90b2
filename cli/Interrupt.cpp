#include "cli/Interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <stdexcept>

namespace lumiq::cli {
namespace {

volatile sig_atomic_t gInterrupted = 0;
int gWriteEnd = -1;

extern "C" void OnSigint(int) {
    gInterrupted = 1;
    const char byte = 1;
    if (gWriteEnd >= 0) {
        // A full pipe already holds a wake-up.
        [[maybe_unused]] const ssize_t written = write(gWriteEnd, &byte, 1);
    }
}

}  // namespace

Interrupt::Interrupt() {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) throw std::runtime_error("cannot create the interrupt pipe");
    gInterrupted = 0;
    gWriteEnd = pipe_[1];
    struct sigaction action {};
    action.sa_handler = OnSigint;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, nullptr);
}

Interrupt::~Interrupt() {
    signal(SIGINT, SIG_DFL);
    gWriteEnd = -1;
    close(pipe_[0]);
    close(pipe_[1]);
}

bool Interrupt::pending() const {
    return gInterrupted != 0;
}

}  // namespace lumiq::cli
