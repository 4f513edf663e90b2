#include "net/ServerConnections.h"

#include <algorithm>

namespace lumiq {

bool ServerConnections::contains(int socket) const {
    return std::any_of(entries_.begin(), entries_.end(),
                       [socket](const auto& e) { return e.socket == socket; });
}

bool ServerConnections::replaceSocketOf(std::uint32_t ip, std::uint16_t port, int socket) {
    for (auto& entry : entries_) {
        if (entry.IP == ip && entry.Port == port) {
            entry.socket = socket;
            return true;
        }
    }
    return false;
}

void ServerConnections::append(const ServerConnection& entry) {
    entries_.push_back(entry);
}

std::optional<ServerConnection> ServerConnections::remove(int socket) {
    const auto found = std::find_if(entries_.begin(), entries_.end(),
                                    [socket](const auto& e) { return e.socket == socket; });
    if (found == entries_.end())
        return std::nullopt;
    const ServerConnection entry = *found;
    entries_.erase(found);
    return entry;
}

std::list<ServerConnection> ServerConnections::takeAll() {
    std::list<ServerConnection> all;
    all.swap(entries_);
    return all;
}

} // namespace lumiq
