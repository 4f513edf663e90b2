#include "tests/serial/PtyPair.h"

#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <stdexcept>
#include <system_error>

namespace lumiq::test {

PtyPair::PtyPair() {
    std::array<char, 128> name{};
    if (::openpty(&masterFd_, &slaveFd_, name.data(), nullptr, nullptr) != 0)
        throw std::system_error(errno, std::generic_category(), "openpty");
    slavePath_ = name.data();
}

PtyPair::~PtyPair() {
    CloseMaster();
    ::close(slaveFd_);
}

void PtyPair::Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(masterFd_, bytes.data() + done, bytes.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            throw std::system_error(errno, std::generic_category(), "write to pty master");
        done += static_cast<std::size_t>(put);
    }
}

std::string PtyPair::Receive(std::size_t count, std::chrono::milliseconds deadline) {
    const auto until = std::chrono::steady_clock::now() + deadline;
    std::string received;
    while (received.size() < count) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        pollfd entry{masterFd_, POLLIN, 0};
        if (::poll(&entry, 1, static_cast<int>(left.count())) <= 0)
            continue;
        std::array<char, 4096> chunk{};
        const ssize_t got = ::read(masterFd_, chunk.data(), std::min(chunk.size(), count - received.size()));
        if (got <= 0)
            break;
        received.append(chunk.data(), static_cast<std::size_t>(got));
    }
    return received;
}

void PtyPair::CloseMaster() {
    if (masterFd_ >= 0)
        ::close(masterFd_);
    masterFd_ = -1;
}

} // namespace lumiq::test
