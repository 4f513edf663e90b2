#include "sim/FrameLog.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>

#include "sim/ByteEscape.h"

namespace lumiq::sim {

namespace {

constexpr std::size_t kMemoryLimit = 64u << 20;

std::string TimeStamp() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    const auto micros = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
    char text[40];
    std::snprintf(text, sizeof text, "%lld.%03lld", static_cast<long long>(micros / 1000),
                  static_cast<long long>(micros % 1000));
    return text;
}

} // namespace

FrameLog::FrameLog(const std::string& filePath) {
    if (filePath.empty())
        return;
    file_ = std::fopen(filePath.c_str(), "a");
    if (file_ == nullptr)
        throw std::runtime_error("cannot open the frame log " + filePath + ": " + std::strerror(errno));
}

FrameLog::~FrameLog() {
    if (file_ != nullptr)
        std::fclose(file_);
}

void FrameLog::received(std::string_view link, std::string_view peer, std::string_view took,
                        std::string_view bytes, std::string_view destination) {
    ++received_;
    const std::string to = destination.empty() ? std::string() : "to=" + EscapeBytes(destination) + " ";
    add("rx", link, peer, to + "took=" + std::string(took), bytes);
}

void FrameLog::sent(std::string_view link, std::string_view peer, std::string_view by,
                    std::string_view bytes) {
    add("tx", link, peer, "by=" + std::string(by), bytes);
}

void FrameLog::clear() {
    lines_.clear();
    bytesHeld_ = 0;
    received_ = 0;
}

void FrameLog::add(std::string_view dir, std::string_view link, std::string_view peer, std::string_view who,
                   std::string_view bytes) {
    std::string line = "t=" + TimeStamp() + " dir=" + std::string(dir) + " link=" + std::string(link) +
                       " peer=" + EscapeBytes(peer) + " " + std::string(who) +
                       " len=" + std::to_string(bytes.size()) + " data=" + EscapeBytes(bytes);
    if (file_ != nullptr) {
        std::fputs(line.c_str(), file_);
        std::fputc('\n', file_);
        std::fflush(file_);
    }
    bytesHeld_ += line.size();
    lines_.push_back(std::move(line));
    while (bytesHeld_ > kMemoryLimit && lines_.size() > 1) {
        bytesHeld_ -= lines_.front().size();
        lines_.pop_front();
    }
}

} // namespace lumiq::sim
