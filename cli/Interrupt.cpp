#include "cli/Interrupt.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <stdexcept>

namespace lumiq::cli {
namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

volatile sig_atomic_t gInterrupts = 0;
int gWriteEnd = -1;

extern "C" void OnInterrupt(int) {
    if (gInterrupts < 1000)
        gInterrupts = gInterrupts + 1;
    const char byte = 1;
    if (gWriteEnd >= 0) {
        // A full pipe already holds a wake-up.
        [[maybe_unused]] const ssize_t written = write(gWriteEnd, &byte, 1);
    }
}

} // namespace

Interrupt::Interrupt() {
    if (pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error("cannot create the interrupt pipe");
    gInterrupts = 0;
    gWriteEnd = pipe_[1];
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    for (const int signal : kSignals)
        sigaction(signal, &action, nullptr);
}

Interrupt::~Interrupt() {
    for (const int signal : kSignals)
        ::signal(signal, SIG_DFL);
    gWriteEnd = -1;
    close(pipe_[0]);
    close(pipe_[1]);
}

int Interrupt::count() const {
    return gInterrupts;
}

void Interrupt::drain() const {
    char bytes[64];
    while (read(pipe_[0], bytes, sizeof bytes) > 0) {
    }
}

} // namespace lumiq::cli
