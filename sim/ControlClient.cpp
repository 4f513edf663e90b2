#include "sim/ControlClient.h"

#include <poll.h>
#include <sys/socket.h>

#include <stdexcept>

#include "sim/SysError.h"
#include "sim/UnixAddress.h"

namespace lumiq::sim {

ControlClient::ControlClient(const std::string& path) {
    const sockaddr_un address = UnixAddress(path);
    fd_ = UniqueFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd_)
        ThrowSysError("control socket");
    if (connect(fd_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        ThrowSysError("no simulator at " + path);
}

ControlClient::Reply ControlClient::request(std::string_view command, std::chrono::milliseconds timeout) {
    if (command.find('\n') != std::string_view::npos)
        throw std::invalid_argument("a command is one line");
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const std::string line = std::string(command) + "\n";
    for (std::size_t sent = 0; sent < line.size();) {
        const ssize_t n = send(fd_.get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            ThrowSysError("send to the simulator");
        }
        sent += static_cast<std::size_t>(n);
    }
    Reply reply;
    const std::string status = readLine(deadline);
    if (status.starts_with("ERROR")) {
        reply.error = status.size() > 6 ? status.substr(6) : "";
        return reply;
    }
    std::size_t count = 0;
    try {
        if (!status.starts_with("OK "))
            throw std::invalid_argument("status");
        count = std::stoul(status.substr(3));
    } catch (const std::exception&) {
        throw std::runtime_error("garbled reply from the simulator: " + status);
    }
    reply.ok = true;
    for (std::size_t i = 0; i < count; ++i)
        reply.lines.push_back(readLine(deadline));
    return reply;
}

std::string ControlClient::readLine(std::chrono::steady_clock::time_point deadline) {
    std::size_t end;
    while ((end = input_.find('\n')) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd fd{fd_.get(), POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(std::max<long long>(0, left.count())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0)
            ThrowSysError("poll on the control socket");
        if (ready == 0)
            throw std::runtime_error("no reply from the simulator in time");
        char buffer[65536];
        const ssize_t n = recv(fd_.get(), buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ThrowSysError("receive from the simulator");
        if (n == 0)
            throw std::runtime_error("the simulator closed the control connection");
        input_.append(buffer, static_cast<std::size_t>(n));
    }
    std::string line = input_.substr(0, end);
    input_.erase(0, end + 1);
    return line;
}

} // namespace lumiq::sim
