#include "cli/UdpModulePort.h"

#include <iostream>

#include "cli/ExitStatus.h"
#include "device/Frames.h"
#include "doctor/PortHolder.h"
#include "links/UdpLinkSetup.h"
#include "net/PacketInfoReceive.h"
#include "net/WinsockErrors.h"
#include "state/AddressText.h"

namespace lumiq::cli {

UdpModulePort::UdpModulePort(std::vector<Adapter> adapters, TrafficTap* tap)
    : adapters_(std::move(adapters)) {
    socket_.OnError = [this](TcmSocket&, int code, const std::string& message) { onError(code, message); };
    socket_.OnReceive = [this](TcmSocket&, int, std::uint16_t port, std::uint32_t ip, const char* data,
                               int length) { onReceive(port, ip, data, length); };
    // Bound like the window's link, with packet info so that every reply names its adapter.
    socket_.SetBufferSize(kLinkBufferSize);
    socket_.Protocol = cmUDP;
    socket_.BindAnyAddress = true;
    socket_.ReceivePacketInfo = true;
    socket_.KernelReceiveBuffer = kLinkKernelReceiveBuffer;
    socket_.LocalHost = adapters_.empty() ? std::string("0") : IpToText(adapters_.front().address);
    socket_.LocalPort = kModulePort;
    socket_.Tap = tap;
    socket_.SetActive(true);
    opening_ = false;
    if (socket_.Active())
        return;
    if (openErrorCode_ == kWsaAddressInUse) {
        const std::string holders = doctor::UdpPortHolders(kModulePort);
        throw Unusable("UDP port " + std::to_string(kModulePort) + " is taken" +
                       (holders.empty() ? std::string() : " by " + holders) +
                       "; modules answer to that port, so one program at a time can talk to them "
                       "(a running lumiq-config, another lumiq or lumiq-sim): end it and try again");
    }
    throw Unusable("cannot open UDP port " + std::to_string(kModulePort) + ": " +
                   (openError_.empty() ? std::string("unknown error") : openError_));
}

UdpModulePort::~UdpModulePort() {
    socket_.OnReceive = nullptr;
    socket_.OnError = nullptr;
    if (socket_.Active())
        socket_.SetActive(false);
}

void UdpModulePort::send(const fleet::Route& route, std::uint32_t destination, const std::string& bytes) {
    socket_.SendFrom(destination, kModulePort, bytes.data(), static_cast<int>(bytes.size()), route.source,
                     route.ifindex);
}

std::vector<std::uint32_t> UdpModulePort::ownAddresses() const {
    std::vector<std::uint32_t> own;
    for (const Adapter& adapter : adapters_)
        own.push_back(adapter.address);
    return own;
}

void UdpModulePort::onReceive(std::uint16_t port, std::uint32_t ip, const char* data, int length) {
    if (!receiver_ || length <= 0)
        return;
    const ReceiptInfo& receipt = socket_.LastReceipt();
    const fleet::Arrival arrival{ip, port, receipt.ifindex, ReceiptWasBroadcast(receipt, adapters_)};
    try {
        receiver_(arrival, std::string_view(data, static_cast<std::size_t>(length)));
    } catch (const std::exception& error) {
        // The receiver's own business; nothing may cross the socket's notification.
        onError(0, error.what());
    }
}

void UdpModulePort::onError(int code, const std::string& message) {
    if (opening_) {
        // The failed call comes with its code; "socket closed" follows it.
        if (openErrorCode_ == 0 && code != 0) {
            openErrorCode_ = code;
            openError_ = message;
        }
        return;
    }
    // A send that failed (an adapter gone) would repeat for every frame: said once.
    if (warned_.insert(message).second)
        std::cerr << "lumiq: warning: " << message << '\n';
}

} // namespace lumiq::cli
