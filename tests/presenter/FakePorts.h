#pragma once
// Fakes for the outside world of the presenter: they record what the core
// did, with the fake time it happened at, and let a test answer or interfere.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "presenter/ControllerPorts.h"
#include "tests/presenter/FakeClock.h"

namespace lumiq::test {

class FakePanel : public PanelView {
public:
    FakePanel(); // the panel's values at start-up
    std::string text(Param field) const override;
    int itemIndex(Param field) const override;
    void setText(Param field, const std::string& utf8) override { texts[field] = utf8; }
    void setItemIndex(Param field, int index) override { indexes[field] = index; }

    std::map<Param, std::string> texts;
    std::map<Param, int> indexes;
};

class FakeList : public ModuleListView {
public:
    void clearLines() override { lines.clear(); }
    void appendLine(const std::string& utf8) override { lines.push_back(utf8); }
    void replaceLine(int index, const std::string& utf8) override {
        lines.at(static_cast<std::size_t>(index)) = utf8;
    }
    void setSearchEnabled(bool enabled) override { searchEnabled = enabled; }

    std::vector<std::string> lines;
    bool searchEnabled = true;
};

// Time-stamped lines read "@ text", plain ones as they are.
class FakeLog : public InfoLog {
public:
    explicit FakeLog(const FakeClock& clock) : clock_(clock) {}
    void addLogLine(const std::string& utf8) override { add("@ " + utf8); }
    void appendPlain(const std::string& utf8) override { add(utf8); }

    std::vector<std::string> lines;
    std::vector<long> times;

private:
    void add(const std::string& line);
    const FakeClock& clock_;
};

class FakeDialogs : public OperatorDialogs {
public:
    MessageAnswer showMessage(const MessageRequest& request) override;
    std::vector<std::string> texts() const;

    std::vector<MessageRequest> shown;
    // Run while the next message is open, as a nested event loop would.
    std::deque<std::function<void()>> whileOpen;
};

class FakePause : public Pause {
public:
    explicit FakePause(FakeClock& clock) : clock_(clock) {}
    void pauseMs(int ms) override;
    std::vector<long> startedAt;

private:
    FakeClock& clock_;
};

struct SentBytes {
    long at;
    std::string bytes;
};

class FakeUdp : public UdpLink {
public:
    explicit FakeUdp(const FakeClock& clock) : clock_(clock) {}
    bool active() const override { return isActive; }
    void setActive(bool active) override { isActive = active; }
    void sendTo(std::uint32_t address, std::uint16_t port, const std::string& bytes) override;

    bool isActive = true;
    std::vector<SentBytes> sent;
    std::vector<std::uint32_t> addresses;
    std::vector<std::uint16_t> ports;
    std::function<void(const std::string&)> onSend;

private:
    const FakeClock& clock_;
};

class FakeSerial : public SerialLink {
public:
    explicit FakeSerial(const FakeClock& clock) : clock_(clock) {}
    int writeStr(const std::string& bytes) override;
    std::string readStr(int maxCount) override;
    bool connected() const override { return isConnected; }
    void open() override;
    void close() override;
    std::string portName() const override { return "ttyS0"; }
    int baudRateOrdinal() const override { return ordinal; }
    void showSetupDialog() override;

    bool isConnected = true;
    bool failWrites = false;
    bool failOpen = false;   // the port is missing or held by another program
    bool failDialog = false; // the port list cannot be read
    int ordinal = 7;         // 9600
    std::string input;       // what the port holds
    std::vector<SentBytes> written;
    std::vector<int> readSizes;
    std::deque<int> dialogChoices;   // the baud ordinal picked at each setup dialog
    std::vector<std::string> events; // "close", "dialog", "open"
    std::function<void(const std::string&)> onWrite;

private:
    const FakeClock& clock_;
};

} // namespace lumiq::test
