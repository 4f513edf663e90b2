#pragma once
// Where a received datagram arrived: the adapter and the destination address
// in its IP header, from the IP_PKTINFO control message. A socket bound to the
// wildcard address learns only this way which adapter a reply came in on and
// whether it was broadcast. Plain POSIX, like PacketInfoSend.h.

#include <sys/socket.h>

#include <cstdint>
#include <vector>

#include "net/AdapterList.h"

namespace lumiq {

struct ReceiptInfo {
    bool known = false;            // the datagram came with packet info
    unsigned ifindex = 0;          // the adapter it arrived on
    std::uint32_t destination = 0; // header destination, network order
};

// The receipt named in `message`'s control data after recvmsg(); looks only
// at control data the kernel actually wrote (msg_controllen).
ReceiptInfo ReceiptFromControl(const msghdr& message);

// Sent to 255.255.255.255, or to the directed broadcast of the adapter it
// arrived on.
bool ReceiptWasBroadcast(const ReceiptInfo& receipt, const std::vector<Adapter>& adapters);

} // namespace lumiq
