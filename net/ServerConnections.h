#pragma once
// The peers a listening TCP socket has registered, in the order they came.

#include <cstdint>
#include <list>
#include <optional>

namespace lumiq {

struct ServerConnection {
    int socket = -1;
    std::uint32_t IP = 0;   // network order
    std::uint16_t Port = 0; // host order
};

class ServerConnections {
public:
    int count() const { return static_cast<int>(entries_.size()); }
    bool contains(int socket) const;
    // Gives the entry with that address and port the new socket; false when
    // there is none.
    bool replaceSocketOf(std::uint32_t ip, std::uint16_t port, int socket);
    void append(const ServerConnection& entry);
    // Unlinks the entry of `socket` and returns it; nothing when there is none.
    std::optional<ServerConnection> remove(int socket);
    // Empties the list and returns what it held, for closing.
    std::list<ServerConnection> takeAll();

private:
    std::list<ServerConnection> entries_;
};

} // namespace lumiq
