#include "cli/ArpProbePort.h"

#include <QSocketNotifier>

#include "cli/ExitStatus.h"

namespace lumiq::cli {

ArpProbePort::ArpProbePort() {
    try {
        socket_ = std::make_unique<ArpSocket>();
    } catch (const ArpSocketError& error) {
        throw Unusable(error.what());
    }
    notifier_ = std::make_unique<QSocketNotifier>(socket_->fd(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, [this] { onReadable(); });
}

ArpProbePort::~ArpProbePort() = default;

void ArpProbePort::sendProbe(unsigned ifindex, std::uint32_t address) {
    socket_->sendProbe(ifindex, address);
}

void ArpProbePort::onReadable() {
    // The receiver guards itself (WorkLoop::deliver); reading cannot throw.
    for (const fleet::ArpHeard& heard : socket_->receive()) {
        if (receiver_)
            receiver_(heard);
    }
}

} // namespace lumiq::cli
