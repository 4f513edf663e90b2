#pragma once
// The simulator's record of every frame it receives (and every reply it
// sends), one line each, so that tests and technicians can see exactly what
// reached the modules and when. The modules' own broadcast replies, which
// come back to the simulator's socket, are not frames to a module and are
// not recorded.
//
//   t=1234567.891 dir=rx link=udp peer=10.77.0.1:5000 to=10.77.1.1 took=0@02:4c:51:00:00:01 len=44 data=<...
//   t=1234568.020 dir=tx link=udp peer=10.77.0.1:5000 by=0@02:4c:51:00:00:01 len=22 data=<...
//
// t: CLOCK_MONOTONIC in milliseconds with three decimals (the clock of
//    std::chrono::steady_clock, so a test can compare it with its own).
// dir: rx for a frame received, tx for a reply sent.
// link: udp or pty. peer: sender (rx) or destination (tx) address:port, or
//    the terminal's link path (escaped like data).
// to: where a received UDP frame was sent (a module's own address,
//    255.255.255.255 or a directed broadcast), from its packet info; absent
//    on other lines.
// took: the modules that took the frame as index@MAC, comma-separated, or
//    "ignored". by: the module that sent the reply.
// len: the frame's length in bytes. data: the exact bytes (ByteEscape.h);
//    it is the last field and never holds a blank.

#include <cstddef>
#include <cstdio>
#include <deque>
#include <string>
#include <string_view>

namespace lumiq::sim {

class FrameLog {
public:
    // An empty path keeps the log in memory only; otherwise lines are also
    // appended to the file and flushed one by one. Throws when the file
    // cannot be opened.
    explicit FrameLog(const std::string& filePath);
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    // `destination`: a UDP frame's destination address; empty for none.
    void received(std::string_view link, std::string_view peer, std::string_view took, std::string_view bytes,
                  std::string_view destination = {});
    void sent(std::string_view link, std::string_view peer, std::string_view by, std::string_view bytes);

    // The lines kept in memory, oldest first (the oldest are let go beyond
    // 64 MiB; the file keeps everything).
    const std::deque<std::string>& lines() const { return lines_; }
    // Frames received since the start or the last clear().
    std::size_t receivedCount() const { return received_; }
    // Forgets the lines in memory; the file is left as it is.
    void clear();

private:
    void add(std::string_view dir, std::string_view link, std::string_view peer, std::string_view who,
             std::string_view bytes);

    std::FILE* file_ = nullptr;
    std::deque<std::string> lines_;
    std::size_t bytesHeld_ = 0;
    std::size_t received_ = 0;
};

} // namespace lumiq::sim
