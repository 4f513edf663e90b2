#pragma once
// The engine's and the search's way to the modules: one TcmSocket on UDP
// port 5000, bound to every address with packet info on, so that each reply
// is known with the adapter it arrived on, and each frame leaves through the
// adapter of its route, from that adapter's address.

#include <functional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/FleetPorts.h"
#include "fleet/ModuleSearch.h"
#include "net/AdapterList.h"
#include "net/TcmSocket.h"

namespace lumiq::cli {

class UdpModulePort final : public fleet::DatagramPort {
public:
    using Receiver = std::function<void(const fleet::Arrival& arrival, std::string_view datagram)>;

    // `adapters`: every adapter of the host, to tell broadcast replies and our
    // own frames coming back. Throws Unusable when port 5000 cannot be had,
    // naming the program that holds it where the system tells. The socket
    // reports every datagram to `tap` when there is one.
    explicit UdpModulePort(std::vector<Adapter> adapters, TrafficTap* tap = nullptr);
    ~UdpModulePort() override;

    void send(const fleet::Route& route, std::uint32_t destination, const std::string& bytes) override;
    // Datagrams go here while the receiver is set; nowhere otherwise.
    void setReceiver(Receiver receiver) { receiver_ = std::move(receiver); }

    // This host's own addresses: its broadcasts come back from them.
    std::vector<std::uint32_t> ownAddresses() const;
    // The kernel receive buffer granted, for diagnostics.
    int grantedReceiveBuffer() const { return socket_.GrantedReceiveBuffer(); }

private:
    void onReceive(std::uint16_t port, std::uint32_t ip, const char* data, int length);
    void onError(int code, const std::string& message);

    std::vector<Adapter> adapters_;
    TcmSocket socket_;
    Receiver receiver_;
    bool opening_ = true;
    int openErrorCode_ = 0;
    std::string openError_;
    std::set<std::string> warned_;
};

} // namespace lumiq::cli
