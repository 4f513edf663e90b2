#include "tests/support/simbed/SimControl.h"

#include <sstream>
#include <stdexcept>

#include "sim/ByteEscape.h"
#include "sim/ControlClient.h"

namespace lumiq::testbed {

namespace {

constexpr std::chrono::seconds kReplyTimeout{10};

std::vector<int> ModuleIndices(const std::string& list) {
    std::vector<int> indices;
    if (list == "ignored")
        return indices;
    std::istringstream stream(list);
    for (std::string entry; std::getline(stream, entry, ',');)
        indices.push_back(std::stoi(entry));
    return indices;
}

} // namespace

double MonotonicMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::optional<FrameRecord> ParseFrameLine(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::istringstream stream(line);
    for (std::string token; stream >> token;) {
        const std::size_t equals = token.find('=');
        if (equals == std::string::npos)
            return std::nullopt;
        fields[token.substr(0, equals)] = token.substr(equals + 1);
    }
    for (const char* key : {"t", "dir", "link", "peer", "len", "data"})
        if (fields.count(key) == 0)
            return std::nullopt;
    const auto bytes = sim::UnescapeBytes(fields["data"]);
    const auto peer = sim::UnescapeBytes(fields["peer"]);
    if (!bytes || !peer || std::to_string(bytes->size()) != fields["len"])
        return std::nullopt;
    FrameRecord record;
    record.timeMs = std::stod(fields["t"]);
    record.received = fields["dir"] == "rx";
    record.link = fields["link"];
    record.peer = *peer;
    record.modules = ModuleIndices(record.received ? fields["took"] : fields["by"]);
    record.bytes = *bytes;
    return record;
}

SimControl::SimControl(const std::string& path) : client_(std::make_unique<sim::ControlClient>(path)) {}
SimControl::~SimControl() = default;
SimControl::SimControl(SimControl&&) noexcept = default;
SimControl& SimControl::operator=(SimControl&&) noexcept = default;

std::vector<std::string> SimControl::command(const std::string& line) {
    auto reply = client_->request(line, kReplyTimeout);
    if (!reply.ok)
        throw std::runtime_error("lumiq-sim refused \"" + line + "\": " + reply.error);
    return reply.lines;
}

std::map<std::string, std::string> SimControl::params(int module) {
    std::map<std::string, std::string> values;
    for (const auto& line : command("get " + std::to_string(module))) {
        const std::size_t equals = line.find('=');
        const auto value = sim::UnescapeBytes(line.substr(equals + 1));
        if (equals == std::string::npos || !value)
            throw std::runtime_error("garbled parameter line " + line);
        values[line.substr(0, equals)] = *value;
    }
    return values;
}

void SimControl::set(int module, const std::string& keyword, const std::string& value) {
    command("set " + std::to_string(module) + " " + keyword + " " + value);
}

void SimControl::fault(int module, const std::string& setting) {
    command("fault " + std::to_string(module) + " " + setting);
}

void SimControl::replyByBroadcast(int module, bool broadcast) {
    command("reply " + std::to_string(module) + (broadcast ? " broadcast" : " unicast"));
}

void SimControl::reset(int module) {
    command("reset " + std::to_string(module));
}
void SimControl::resetAll() {
    command("reset all");
}

std::vector<FrameRecord> SimControl::frames() {
    std::vector<FrameRecord> records;
    for (const auto& line : command("log")) {
        auto record = ParseFrameLine(line);
        if (!record)
            throw std::runtime_error("garbled frame-log line " + line);
        records.push_back(std::move(*record));
    }
    return records;
}

std::vector<FrameRecord> SimControl::received() {
    std::vector<FrameRecord> records;
    for (auto& record : frames())
        if (record.received)
            records.push_back(std::move(record));
    return records;
}

void SimControl::clearLog() {
    command("log-clear");
}

void SimControl::waitFrames(std::size_t count, std::chrono::milliseconds timeout) {
    const std::string line = "wait-frames " + std::to_string(count) + " " + std::to_string(timeout.count());
    auto reply = client_->request(line, timeout + kReplyTimeout);
    if (!reply.ok)
        throw std::runtime_error("lumiq-sim: " + reply.error);
}

} // namespace lumiq::testbed
