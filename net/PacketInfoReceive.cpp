#include "net/PacketInfoReceive.h"

#include <netinet/in.h>

#include <cstring>

namespace lumiq {

ReceiptInfo ReceiptFromControl(const msghdr& message) {
    ReceiptInfo receipt;
    if (message.msg_control == nullptr)
        return receipt;
    const auto* begin = static_cast<const unsigned char*>(message.msg_control);
    const unsigned char* end = begin + message.msg_controllen;
    // CMSG_NXTHDR takes a non-const message; it only reads it.
    auto* walked = const_cast<msghdr*>(&message);
    for (cmsghdr* header = CMSG_FIRSTHDR(walked); header != nullptr; header = CMSG_NXTHDR(walked, header)) {
        if (header->cmsg_level != IPPROTO_IP || header->cmsg_type != IP_PKTINFO)
            continue;
        const unsigned char* data = CMSG_DATA(header);
        // Control data cut short (MSG_CTRUNC) may claim more than arrived.
        if (header->cmsg_len < CMSG_LEN(sizeof(in_pktinfo)) || data + sizeof(in_pktinfo) > end)
            continue;
        in_pktinfo info{};
        std::memcpy(&info, data, sizeof info);
        receipt.known = true;
        receipt.ifindex = static_cast<unsigned>(info.ipi_ifindex);
        receipt.destination = info.ipi_addr.s_addr;
    }
    return receipt;
}

bool ReceiptWasBroadcast(const ReceiptInfo& receipt, const std::vector<Adapter>& adapters) {
    if (!receipt.known)
        return false;
    if (receipt.destination == INADDR_BROADCAST)
        return true;
    for (const Adapter& adapter : adapters)
        if (adapter.index == receipt.ifindex && adapter.broadcast != 0 &&
            adapter.broadcast == receipt.destination)
            return true;
    return false;
}

} // namespace lumiq
