#include "doctor/SocketCheck.h"

#include <unistd.h>

#include <algorithm>
#include <fstream>

#include "device/Frames.h"
#include "links/UdpLinkSetup.h"
#include "net/TcmSocket.h"
#include "net/WinsockErrors.h"

namespace lumiq::doctor {
namespace {

// The port modules answer from and to, as messages and commands write it.
std::string ModulePort() {
    return std::to_string(kModulePort);
}

constexpr const char* kRaiseCap = "echo 'net.core.rmem_max = 1048576' | sudo tee "
                                  "/etc/sysctl.d/60-lumiq-config.conf && sudo sysctl --system";

struct Probe {
    std::string error; // empty when it opened
    int code = 0;
    int granted = 0;
};

Probe OpenLikeTheTools(int port) {
    Probe probe;
    TcmSocket socket;
    // The failed call comes with its code; the note that the socket closed has none.
    socket.OnError = [&probe](TcmSocket&, int code, const std::string& message) {
        if (probe.code == 0 && code != 0)
            probe = Probe{message, code, 0};
    };
    socket.Protocol = cmUDP;
    socket.BindAnyAddress = true;
    socket.KernelReceiveBuffer = kLinkKernelReceiveBuffer;
    socket.LocalPort = port;
    socket.SetActive(true);
    if (socket.Active())
        probe = Probe{{}, 0, socket.GrantedReceiveBuffer()};
    else if (probe.error.empty())
        probe.error = "unknown error";
    socket.OnError = nullptr;
    socket.SetActive(false);
    return probe;
}

std::optional<long> RmemMax() {
    std::ifstream file("/proc/sys/net/core/rmem_max");
    long value = 0;
    if (file >> value)
        return value;
    return std::nullopt;
}

std::string Bytes(long value) {
    return std::to_string(value) + " bytes";
}

} // namespace

Finding CheckModulePort(const std::string& openError, bool inUse, const std::vector<PortHolder>& holders) {
    Finding finding{"udp port"};
    if (openError.empty()) {
        finding.summary = "UDP port " + ModulePort() + " is free";
        return finding;
    }
    finding.verdict = Verdict::Problem;
    if (!inUse) {
        finding.summary = "UDP port " + ModulePort() + " cannot be opened: " + openError;
        return finding;
    }
    std::string who, pids;
    for (const PortHolder& holder : holders) {
        who += (who.empty() ? "" : ", ") + holder.command + " (pid " + std::to_string(holder.pid) + ")";
        pids += " " + std::to_string(holder.pid);
    }
    finding.summary = "UDP port " + ModulePort() + " is held by " +
                      (who.empty() ? std::string("another program") : who) +
                      ": the window and lumiq cannot talk to modules while it runs";
    finding.remedy = pids.empty()
                         ? "sudo ss -ulpn 'sport = :" + ModulePort() + "'   # names the program; end it"
                         : "kill" + pids;
    return finding;
}

Finding CheckReceiveBuffer(int granted, std::optional<long> rmemMax) {
    Finding finding{"receive buffer"};
    finding.summary = "granted " + Bytes(granted) + "; a full registry's burst needs " + Bytes(kBurstBuffer) +
                      " (" + std::to_string(kBurstDatagrams) + " datagrams)";
    // Without CAP_NET_ADMIN the kernel doubles at most rmem_max.
    const long asked = kLinkKernelReceiveBuffer;
    const long normalUser = rmemMax ? 2 * std::min(asked, *rmemMax) : granted;
    if (rmemMax)
        finding.details.push_back("net.core.rmem_max is " + Bytes(*rmemMax));
    if (granted >= kBurstBuffer && normalUser >= kBurstBuffer)
        return finding;
    finding.verdict = Verdict::Warning;
    if (granted >= kBurstBuffer)
        finding.details.push_back("granted as root; a normal user's socket gets " + Bytes(normalUser));
    finding.details.push_back("replies beyond " +
                              std::to_string(std::min<long>(granted, normalUser) / kBytesPerDatagram) +
                              " waiting datagrams are lost when many modules answer at once");
    finding.remedy = kRaiseCap;
    return finding;
}

std::vector<Finding> CheckSockets() {
    const Probe port = OpenLikeTheTools(kModulePort);
    const bool inUse = port.code == kWsaAddressInUse;
    std::vector<PortHolder> holders = inUse ? UdpPortHolderList(kModulePort) : std::vector<PortHolder>{};
    // A socket handed down to this process by its parent is the parent's.
    holders.erase(std::remove_if(holders.begin(), holders.end(),
                                 [](const PortHolder& holder) { return holder.pid == getpid(); }),
                  holders.end());
    Finding held = CheckModulePort(port.error, inUse, holders);
    // Any port gets the same buffer: the figure is there even while 5000 is held.
    const Probe buffer = port.error.empty() ? port : OpenLikeTheTools(0);
    if (!buffer.error.empty())
        return {held,
                Finding{"receive buffer", Verdict::Problem, "no UDP socket can be opened: " + buffer.error}};
    return {held, CheckReceiveBuffer(buffer.granted, RmemMax())};
}

} // namespace lumiq::doctor
