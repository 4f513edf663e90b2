#include "tests/presenter/FakePorts.h"

#include <stdexcept>

namespace lumiq::test {

FakePanel::FakePanel()
    : texts{{PanelField::Gateway, "192.168.1.1"}, {PanelField::Mask, "255.255.255.0"},
            {PanelField::Ip, "192.168.1.7"},      {PanelField::Dip, "192.168.1.100"},
            {PanelField::Port, "8080"},           {PanelField::DPort, "9090"},
            {PanelField::Mac, "00:1a:2b:3c:4d:5f"}, {PanelField::Name, "Lumiq"},
            {PanelField::Baud, "9600"},           {PanelField::DataBit, "8"}},
      indexes{{PanelField::Model, 0}, {PanelField::Dhcp, 0},    {PanelField::Baud, 6},
              {PanelField::StopBit, 1}, {PanelField::Parity, 0}} {}

std::string FakePanel::text(PanelField field) const {
    const auto found = texts.find(field);
    return found == texts.end() ? std::string() : found->second;
}

int FakePanel::itemIndex(PanelField field) const {
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
    for (const MessageRequest& request : shown) result.push_back(request.text);
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
    if (onSend) onSend(bytes);
}

int FakeSerial::writeStr(const std::string& bytes) {
    if (failWrites) throw std::runtime_error("port not open");
    written.push_back({clock_.now(), bytes});
    if (onWrite) onWrite(bytes);
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
    if (failOpen) throw std::runtime_error("Unable to open com port");
    isConnected = true;
}

void FakeSerial::close() {
    events.push_back("close");
    isConnected = false;
}

void FakeSerial::showSetupDialog() {
    events.push_back("dialog");
    if (failDialog) throw std::runtime_error("Registry error");
    if (!dialogChoices.empty()) {
        ordinal = dialogChoices.front();
        dialogChoices.pop_front();
    }
}

}  // namespace lumiq::test
