#include "sim/ControlServer.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include <algorithm>

#include "sim/SysError.h"
#include "sim/UnixAddress.h"

namespace lumiq::sim {

namespace {

// A client that sends this much without a line end is not speaking the
// control protocol.
constexpr std::size_t kLineLimit = 64 * 1024;

// True when a server answers at `path`; false for a stale socket file.
bool SomeoneListens(const sockaddr_un& address) {
    UniqueFd probe(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!probe)
        ThrowSysError("control socket");
    return connect(probe.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

} // namespace

ControlServer::ControlServer(std::string path, Execute execute, FrameCount frameCount)
    : path_(std::move(path)), execute_(std::move(execute)), frameCount_(std::move(frameCount)) {
    const sockaddr_un address = UnixAddress(path_);
    struct stat existing {};
    if (lstat(path_.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode))
            throw std::runtime_error(path_ + " exists and is not a socket");
        if (SomeoneListens(address))
            throw std::runtime_error("another simulator already listens at " + path_);
        unlink(path_.c_str());
    }
    listener_ = UniqueFd(socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!listener_)
        ThrowSysError("control socket");
    if (bind(listener_.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0)
        ThrowSysError("bind control socket " + path_);
    if (listen(listener_.get(), 16) != 0)
        ThrowSysError("listen on " + path_);
    if (lstat(path_.c_str(), &existing) == 0)
        inode_ = existing.st_ino;
}

ControlServer::~ControlServer() {
    struct stat current {};
    if (lstat(path_.c_str(), &current) == 0 && current.st_ino == inode_)
        unlink(path_.c_str());
}

void ControlServer::collectWatches(std::vector<PollWatch>& watches) {
    connections_.remove_if([](const Connection& c) { return c.closing && c.output.empty() && !c.wait; });
    watches.push_back({listener_.get(), POLLIN, [this](short) { accept(); }});
    for (auto& connection : connections_) {
        short events = connection.output.empty() ? 0 : POLLOUT;
        if (!connection.closing)
            events |= POLLIN;
        // poll reports a hang-up even when asked for nothing, which would
        // spin the loop while a closing client's wait runs.
        if (events == 0)
            continue;
        watches.push_back({connection.fd.get(), events, [this, &connection](short revents) {
                               if (revents & POLLOUT)
                                   writeTo(connection);
                               if (revents & (POLLIN | POLLHUP | POLLERR))
                                   readFrom(connection);
                           }});
    }
}

void ControlServer::accept() {
    while (true) {
        const int fd = accept4(listener_.get(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        connections_.emplace_back();
        connections_.back().fd = UniqueFd(fd);
    }
}

void ControlServer::readFrom(Connection& connection) {
    char buffer[4096];
    while (true) {
        const ssize_t length = recv(connection.fd.get(), buffer, sizeof buffer, 0);
        if (length > 0) {
            connection.input.append(buffer, static_cast<std::size_t>(length));
            continue;
        }
        if (length < 0 && errno == EINTR)
            continue;
        if (length == 0) {
            // The client has finished sending; it may still read the replies.
            connection.closing = true;
        } else if (errno != EAGAIN && errno != EWOULDBLOCK) {
            connection.closing = true;
            connection.output.clear();
            connection.input.clear();
        }
        break;
    }
    runLines(connection);
    if (connection.input.size() > kLineLimit) {
        connection.output += ControlError("line too long");
        connection.input.clear();
        connection.closing = true;
    }
    writeTo(connection);
}

void ControlServer::runLines(Connection& connection) {
    std::size_t end;
    while (!connection.wait && !quit_ && (end = connection.input.find('\n')) != std::string::npos) {
        std::string line = connection.input.substr(0, end);
        connection.input.erase(0, end + 1);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        ControlOutcome outcome = execute_(line);
        connection.output += outcome.reply;
        quit_ = quit_ || outcome.quit;
        if (outcome.wait) {
            if (frameCount_() >= outcome.wait->frames) {
                connection.output += ControlOk();
            } else {
                connection.wait = outcome.wait;
                connection.deadline = Clock::now() + outcome.wait->timeout;
            }
        }
    }
}

void ControlServer::writeTo(Connection& connection) {
    while (!connection.output.empty()) {
        const ssize_t written =
            send(connection.fd.get(), connection.output.data(), connection.output.size(), MSG_NOSIGNAL);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                connection.output.clear();
                connection.closing = true;
            }
            return;
        }
        connection.output.erase(0, static_cast<std::size_t>(written));
    }
}

void ControlServer::settleWaits(Clock::time_point now) {
    for (auto& connection : connections_) {
        if (!connection.wait)
            continue;
        if (frameCount_() >= connection.wait->frames) {
            connection.output += ControlOk();
        } else if (now >= connection.deadline) {
            connection.output += ControlError("timeout: " + std::to_string(frameCount_()) + " of " +
                                              std::to_string(connection.wait->frames) + " frames");
        } else {
            continue;
        }
        connection.wait.reset();
        runLines(connection);
        writeTo(connection);
    }
}

std::optional<ControlServer::Clock::time_point> ControlServer::nextDeadline() const {
    std::optional<Clock::time_point> next;
    for (const auto& connection : connections_)
        if (connection.wait && (!next || connection.deadline < *next))
            next = connection.deadline;
    return next;
}

} // namespace lumiq::sim
