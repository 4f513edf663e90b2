#pragma once
// UDP port 5000 and the kernel receive buffer, each looked at on a socket
// opened as the tools open theirs (links/UdpLinkSetup.h): bound to every
// address, asking for the same buffer.

#include <optional>
#include <string>
#include <vector>

#include "doctor/DoctorFinding.h"
#include "doctor/PortHolder.h"

namespace lumiq::doctor {

// A search makes every module of a full registry (256) answer, maybe twice,
// and the search broadcast comes back into the same buffer; the kernel
// accounts about 832 bytes for each small datagram (BENCHMARKS.md).
inline constexpr int kBurstDatagrams = 2 * 256 + 1;
inline constexpr int kBytesPerDatagram = 832;
inline constexpr int kBurstBuffer = kBurstDatagrams * kBytesPerDatagram;

// `openError`: empty when the port could be had; `inUse` when it failed
// because another socket holds it.
Finding CheckModulePort(const std::string& openError, bool inUse, const std::vector<PortHolder>& holders);

// `granted`: SO_RCVBUF as the kernel reports it (twice the size granted);
// `rmemMax`: net.core.rmem_max, which caps a normal user's socket.
Finding CheckReceiveBuffer(int granted, std::optional<long> rmemMax);

// Both, on this host as it is now.
std::vector<Finding> CheckSockets();

} // namespace lumiq::doctor
