#include "app/BatchPort.h"

#include "device/Frames.h"
#include "net/PacketInfoReceive.h"
#include "net/TcmSocket.h"

namespace lumiq {

BatchPort::BatchPort(TcmSocket& socket, std::vector<Adapter> adapters)
    : socket_(socket), adapters_(std::move(adapters)) {}

void BatchPort::send(const fleet::Route& route, std::uint32_t destination, const std::string& bytes) {
    socket_.SendFrom(destination, kModulePort, bytes.data(), static_cast<int>(bytes.size()), route.source,
                     route.ifindex);
}

fleet::Arrival BatchPort::arrivalOf(std::uint32_t peerIp, std::uint16_t peerPort) const {
    const ReceiptInfo& receipt = socket_.LastReceipt();
    return fleet::Arrival{peerIp, peerPort, receipt.ifindex, ReceiptWasBroadcast(receipt, adapters_)};
}

std::vector<std::uint32_t> BatchPort::ownAddresses() const {
    std::vector<std::uint32_t> own;
    own.reserve(adapters_.size());
    for (const Adapter& adapter : adapters_)
        own.push_back(adapter.address);
    return own;
}

} // namespace lumiq
