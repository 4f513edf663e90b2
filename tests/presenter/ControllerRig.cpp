#include "tests/presenter/ControllerRig.h"

#include <map>

#include "state/AddressText.h"

namespace lumiq::test {

std::string HealthyReply(const std::string& line) {
    static const std::map<std::string, std::string> kQueries{
        {"AT\r\n", "OK\r\n"},
        {"AT+MODEL=?\r\n", "+MODEL=1\r\n"},
        {"AT+GATEWAY=?\r\n", "+GATEWAY=192.168.0.1\r\n"},
        {"AT+MASK=?\r\n", "+MASK=255.255.255.0\r\n"},
        {"AT+IP=?\r\n", "+IP=192.168.0.7\r\n"},
        {"AT+DIP=?\r\n", "+DIP=192.168.0.100\r\n"},
        {"AT+PORT=?\r\n", "+PORT=20108\r\n"},
        {"AT+DPORT=?\r\n", "+DPORT=20105\r\n"},
        {"AT+DCHP=?\r\n", "+DCHP=1\r\n"},
        {"AT+NAME=?\r\n", "+NAME=\xb3\xb5\xbc\xe4\r\n"}, // 车间 in GBK
        {"AT+UART=?\r\n", "+UART=115200,8,3,2\r\n"},
        {"AT+MAC=?\r\n", "+MAC=00:1a:2b:3c:4d:5e\r\n"},
        {"AT+VER=?\r\n", "+VER=V2.0\r\n"},
    };
    const auto found = kQueries.find(line);
    return found == kQueries.end() ? "OK\r\n" : found->second;
}

ControllerRig::ControllerRig()
    : moduleIp(ParseIp("192.168.0.7")),
      controller(state, ControllerPorts{panel, list, log, dialogs, timerRead, timerPortRes, timerOut, pause,
                                        udp, serial}) {
    state.LocalIp = ParseIp("192.168.0.2");
    state.LocalIpText = "192.168.0.2";
    state.LocalMacText = kLocalMac;
    timerRead.onTick = [this] { controller.onTimerRead(); };
    timerPortRes.onTick = [this] { controller.onTimerPortRes(); };
    timerOut.onTick = [this] { controller.onTimerOut(); };
}

void ControllerRig::receive(std::uint32_t ip, const std::string& mac, const std::string& payload) {
    const std::string datagram = "<" + mac + ">," + payload;
    controller.onDatagram(ip, 5000, datagram.data(), datagram.size());
}

std::string ControllerRig::nextReply(const std::string& line) {
    if (scripted.empty())
        return HealthyReply(line);
    std::string reply = scripted.front();
    scripted.pop_front();
    return reply;
}

void ControllerRig::answerAutomatically(long delayMs) {
    udp.onSend = [this, delayMs](const std::string& frame) {
        const std::string reply = nextReply(frame.substr(std::string(kModuleEnvelope).size()));
        clock.schedule(clock.now() + delayMs, [this, reply] {
            replyTimes.push_back(clock.now());
            receiveFromModule(reply);
        });
    };
    serial.onWrite = [this](const std::string& line) { serial.input += nextReply(line); };
}

void ControllerRig::findAndSelectModule() {
    controller.search();
    receiveFromModule("OK\r\n");
    controller.selectModule(0);
}

void ControllerRig::clearRecords() {
    udp.sent.clear();
    serial.written.clear();
    log.lines.clear();
    log.times.clear();
    dialogs.shown.clear();
    replyTimes.clear();
}

std::vector<std::string> ControllerRig::commands() const {
    std::vector<std::string> result;
    const std::size_t envelope = std::string(kModuleEnvelope).size();
    for (const SentBytes& frame : udp.sent)
        result.push_back(frame.bytes.substr(std::min(envelope, frame.bytes.size())));
    for (const SentBytes& line : serial.written)
        result.push_back(line.bytes);
    return result;
}

std::vector<long> ControllerRig::commandTimes() const {
    std::vector<long> result;
    for (const SentBytes& frame : udp.sent)
        result.push_back(frame.at);
    for (const SentBytes& line : serial.written)
        result.push_back(line.at);
    return result;
}

} // namespace lumiq::test
