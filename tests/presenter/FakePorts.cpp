#include "tests/presenter/FakePorts.h"

#include <stdexcept>

namespace lumiq::test {

FakePanel::FakePanel()
    : texts{{Param::Gateway, "192.168.1.1"},
            {Param::Mask, "255.255.255.0"},
            {Param::Ip, "192.168.1.7"},
            {Param::Dip, "192.168.1.100"},
            {Param::Port, "8080"},
            {Param::DPort, "9090"},
            {Param::Mac, "00:1a:2b:3c:4d:5f"},
            {Param::Name, "Lumiq"},
            {Param::Baud, "9600"},
            {Param::DataBits, "8"}},
      indexes{
          {Param::Mode, 0}, {Param::Dhcp, 0}, {Param::Baud, 6}, {Param::StopBits, 1}, {Param::Parity, 0}} {}

std::string FakePanel::text(Param field) const {
    const auto found = texts.find(field);
    return found == texts.end() ? std::string() : found->second;
}

int FakePanel::itemIndex(Param field) const {
    const auto found = indexes.find(field);
    return found == indexes.end() ? -1 : found->second;
}

void FakeLog::add(const std::string& line) {
    lines.push_back(line);
    times.push_back(clock_.now());
}

MessageAnswer FakeDialogs::showMessage(const MessageRequest& request) {
    shown.push_back(request);
    if (!whileOpen.empty()) {
        const std::function<void()> nested = whileOpen.front();
        whileOpen.pop_front();
        nested();
    }
    return MessageAnswer::Ok;
}

std::vector<std::string> FakeDialogs::texts() const {
    std::vector<std::string> result;
    for (const MessageRequest& request : shown)
        result.push_back(request.text);
    return result;
}

void FakePause::pauseMs(int ms) {
    startedAt.push_back(clock_.now());
    clock_.pause(ms);
}

void FakeUdp::sendTo(std::uint32_t address, std::uint16_t port, const std::string& bytes) {
    sent.push_back({clock_.now(), bytes});
    addresses.push_back(address);
    ports.push_back(port);
    if (onSend)
        onSend(bytes);
}

int FakeSerial::writeStr(const std::string& bytes) {
    if (failWrites)
        throw std::runtime_error("port not open");
    written.push_back({clock_.now(), bytes});
    if (onWrite)
        onWrite(bytes);
    return static_cast<int>(bytes.size());
}

std::string FakeSerial::readStr(int maxCount) {
    readSizes.push_back(maxCount);
    std::string taken = input.substr(0, static_cast<std::size_t>(maxCount));
    input.erase(0, taken.size());
    return taken;
}

void FakeSerial::open() {
    events.push_back("open");
    if (failOpen)
        throw std::runtime_error("Unable to open com port");
    isConnected = true;
}

void FakeSerial::close() {
    events.push_back("close");
    isConnected = false;
}

void FakeSerial::showSetupDialog() {
    events.push_back("dialog");
    if (failDialog)
        throw std::runtime_error("Registry error");
    if (!dialogChoices.empty()) {
        ordinal = dialogChoices.front();
        dialogChoices.pop_front();
    }
}

} // namespace lumiq::test
