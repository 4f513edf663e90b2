#include "sim/Simulator.h"

#include <arpa/inet.h>
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>

#include <algorithm>
#include <iostream>

#include "sim/SysError.h"
#include "sim/UdpEnvelope.h"

namespace lumiq::sim {

namespace {

std::string Dotted(const in_addr& address) {
    char text[INET_ADDRSTRLEN] = {};
    inet_ntop(AF_INET, &address, text, sizeof text);
    return text;
}

std::string Endpoint(const sockaddr_in& address) {
    return Dotted(address.sin_addr) + ":" + std::to_string(ntohs(address.sin_port));
}

sockaddr_in BroadcastEndpoint() {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    to.sin_port = htons(kModulePort);
    return to;
}

std::string ModuleLabel(std::size_t index, const SimModule& module) {
    return std::to_string(index) + "@" + module.mac();
}

} // namespace

Simulator::Simulator(SimulatorSetup setup) : log_(setup.logPath) {
    std::vector<std::string> udpAddresses;
    for (auto& moduleSetup : setup.modules) {
        in_addr address{};
        inet_pton(AF_INET, moduleSetup.address.c_str(), &address);
        addresses_.push_back(address);
        moduleAddresses_.insert(address.s_addr);
        if (moduleSetup.ptyPath.empty())
            udpAddresses.push_back(moduleSetup.address);
        modules_.emplace_back(std::move(moduleSetup));
    }
    if (!setup.aliasDevice.empty() && !udpAddresses.empty())
        aliases_.emplace(setup.aliasDevice, udpAddresses);
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        if (modules_[i].onPty()) {
            ptys_.push_back(std::make_unique<PtyPort>(modules_[i].ptyPath()));
            ptyModule_.push_back(i);
        } else if (!udp_) {
            udp_.emplace(kModulePort);
        }
    }
    control_ = std::make_unique<ControlServer>(
        setup.controlPath, [this](std::string_view line) { return control(line); },
        [this] { return log_.receivedCount(); });
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&stopSignals, signal);
    signals_ = UniqueFd(signalfd(-1, &stopSignals, SFD_CLOEXEC | SFD_NONBLOCK));
    if (!signals_)
        ThrowSysError("signalfd");
}

Simulator::~Simulator() = default;

void Simulator::run() {
    std::vector<PollWatch> watches;
    std::vector<pollfd> fds;
    while (!stop_ && !control_->quitRequested()) {
        watches.clear();
        watches.push_back({signals_.get(), POLLIN, [this](short) { stop_ = true; }});
        if (udp_) {
            watches.push_back({udp_->fd(), POLLIN, [this](short) {
                                   while (auto datagram = udp_->receive())
                                       onDatagram(*datagram);
                               }});
        }
        for (std::size_t p = 0; p < ptys_.size(); ++p) {
            const short events = static_cast<short>(POLLIN | (ptys_[p]->hasPendingOutput() ? POLLOUT : 0));
            watches.push_back({ptys_[p]->fd(), events, [this, p](short revents) {
                                   if (revents & POLLOUT)
                                       ptys_[p]->flush();
                                   if (revents & POLLIN)
                                       onPtyInput(p);
                               }});
        }
        control_->collectWatches(watches);

        std::optional<Clock::time_point> wake = control_->nextDeadline();
        if (!schedule_.empty() && (!wake || schedule_.begin()->first < *wake))
            wake = schedule_.begin()->first;
        if (!powerUps_.empty() && (!wake || powerUps_.begin()->first < *wake))
            wake = powerUps_.begin()->first;
        int timeoutMs = -1;
        if (wake) {
            const auto left = *wake - Clock::now() + std::chrono::microseconds(999);
            timeoutMs = static_cast<int>(
                std::max<long long>(0, std::chrono::duration_cast<std::chrono::milliseconds>(left).count()));
        }
        fds.clear();
        for (const auto& watch : watches)
            fds.push_back({watch.fd, watch.events, 0});
        if (poll(fds.data(), fds.size(), timeoutMs) < 0 && errno != EINTR)
            ThrowSysError("poll");
        for (std::size_t i = 0; i < fds.size(); ++i)
            if (fds[i].revents != 0)
                watches[i].ready(fds[i].revents);
        const auto now = Clock::now();
        powerUpDue(now);
        sendDue(now);
        control_->settleWaits(now);
    }
}

ControlOutcome Simulator::control(std::string_view line) {
    ControlOutcome outcome = RunControlCommand(line, modules_, log_);
    for (std::size_t i = 0; i < modules_.size(); ++i)
        if (const auto due = modules_[i].powerUpDue())
            powerUps_.insert({*due, i});
    followAddresses();
    return outcome;
}

void Simulator::powerUpDue(Clock::time_point now) {
    bool any = false;
    while (!powerUps_.empty() && powerUps_.begin()->first <= now) {
        const auto [due, module] = *powerUps_.begin();
        powerUps_.erase(powerUps_.begin());
        if (modules_[module].powerUpDue() == due) {
            modules_[module].powerUp();
            any = true;
        }
    }
    if (any)
        followAddresses();
}

// A module powered up sends from the address of its IP parameter, which
// must then be one of this host's.
void Simulator::followAddresses() {
    std::vector<std::string> moved;
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        const SimModule& module = modules_[i];
        in_addr address{};
        if (module.onPty() || !module.plugged() ||
            inet_pton(AF_INET, module.address().c_str(), &address) != 1 ||
            address.s_addr == addresses_[i].s_addr)
            continue;
        addresses_[i] = address;
        moduleAddresses_.insert(address.s_addr);
        moved.push_back(module.address());
    }
    if (!aliases_ || moved.empty())
        return;
    try {
        aliases_->add(moved);
    } catch (const std::exception& error) {
        warnOnce(error.what());
    }
}

bool Simulator::isModuleAddress(const in_addr& address) const {
    return moduleAddresses_.count(address.s_addr) != 0;
}

void Simulator::onDatagram(const ReceivedDatagram& datagram) {
    // Broadcast replies of our own modules come back to this socket; they
    // are not frames to a module.
    if (ntohs(datagram.peer.sin_port) == kModulePort && isModuleAddress(datagram.peer.sin_addr))
        return;
    // Sent to one module's own address, only that address hears it; sent to
    // a broadcast address, every module does. An unplugged module hears
    // nothing.
    const bool toOneAddress = isModuleAddress(datagram.destination);
    const auto envelope = ParseEnvelope(datagram.bytes);
    std::vector<std::size_t> takers;
    const auto target = envelope ? std::optional<std::string_view>(envelope->target) : std::nullopt;
    for (std::size_t i = 0; i < modules_.size(); ++i) {
        const bool hears = !modules_[i].onPty() && modules_[i].plugged() &&
                           (!toOneAddress || addresses_[i].s_addr == datagram.destination.s_addr);
        if (hears && modules_[i].hear(target))
            takers.push_back(i);
    }
    log_.received("udp", Endpoint(datagram.peer), takerText(takers), datagram.bytes,
                  Dotted(datagram.destination));
    for (const std::size_t i : takers) {
        Outgoing outgoing{i, {}, std::nullopt, datagram.peer, datagram.ifindex};
        if (modules_[i].replyMode() == ReplyMode::Broadcast)
            outgoing.to = BroadcastEndpoint();
        scheduleAnswer(i, modules_[i].answer(CommandLine(envelope->rest), true), outgoing);
    }
}

void Simulator::onPtyInput(std::size_t port) {
    const std::size_t module = ptyModule_[port];
    for (const std::string& chunk : ptys_[port]->readLines()) {
        const bool isCommand = chunk.ends_with("\r\n") && modules_[module].plugged();
        log_.received("pty", ptys_[port]->linkPath(), isCommand ? takerText({module}) : "ignored", chunk);
        if (!isCommand)
            continue;
        const std::string_view line = std::string_view(chunk).substr(0, chunk.size() - 2);
        scheduleAnswer(module, modules_[module].answer(line, false), Outgoing{module, {}, port});
    }
}

void Simulator::scheduleAnswer(std::size_t module, const SimModule::Answer& answer, Outgoing outgoing) {
    const auto due = Clock::now() + std::chrono::milliseconds(answer.delayMs);
    outgoing.powerUps = modules_[module].powerUps();
    for (const std::string& write : answer.writes) {
        outgoing.module = module;
        outgoing.bytes = write;
        schedule_.emplace(due, outgoing);
    }
}

void Simulator::sendDue(Clock::time_point now) {
    while (!schedule_.empty() && schedule_.begin()->first <= now) {
        const Outgoing outgoing = std::move(schedule_.begin()->second);
        schedule_.erase(schedule_.begin());
        // A module that was unplugged or restarted since never sends it.
        const SimModule& module = modules_[outgoing.module];
        if (module.plugged() && module.powerUps() == outgoing.powerUps)
            send(outgoing);
    }
}

void Simulator::send(const Outgoing& outgoing) {
    const std::string by = ModuleLabel(outgoing.module, modules_[outgoing.module]);
    if (outgoing.pty) {
        PtyPort& port = *ptys_[*outgoing.pty];
        log_.sent("pty", port.linkPath(), by, outgoing.bytes);
        port.write(outgoing.bytes);
        return;
    }
    log_.sent("udp", Endpoint(outgoing.to), by, outgoing.bytes);
    sendUdp(outgoing);
}

void Simulator::sendUdp(const Outgoing& outgoing) {
    const in_addr source = addresses_[outgoing.module];
    int error = udp_->send(outgoing.bytes, outgoing.to, source, outgoing.ifindex);
    if (error == EINVAL) {
        // The module's address is not one of this host's: without the alias
        // the reply can only go out from the host's own address.
        warnOnce("module " + std::to_string(outgoing.module) + " replies from this host's address: " +
                 modules_[outgoing.module].address() + " is not an address here (see --alias-dev)");
        error = udp_->send(outgoing.bytes, outgoing.to, in_addr{htonl(INADDR_ANY)}, outgoing.ifindex);
    }
    if (error != 0)
        warnOnce("cannot send to " + Endpoint(outgoing.to) + ": " + std::string(std::strerror(error)));
}

std::string Simulator::takerText(const std::vector<std::size_t>& takers) const {
    if (takers.empty())
        return "ignored";
    std::string text;
    for (const std::size_t i : takers)
        text += (text.empty() ? "" : ",") + ModuleLabel(i, modules_[i]);
    return text;
}

void Simulator::warnOnce(const std::string& text) {
    if (warned_.insert(text).second)
        std::cerr << "lumiq-sim: " << text << "\n";
}

} // namespace lumiq::sim
