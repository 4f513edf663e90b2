#pragma once
// A trace of everything a front end sends and receives, written as it
// happens to a pcap file that Wireshark and tshark read: datagrams as
// IPv4/UDP, serial bytes under their own ethertype, both with their
// direction and a real time stamp, in one file (see trace/Sll2Record.h).
//
// Each record is flushed at once, so the file stays whole when the program
// is stopped or dies. A record that cannot be written ends the trace: later
// traffic is not recorded and failure() says why; the program goes on.
// Calls may come from any thread.

#include <cstdint>
#include <mutex>
#include <stdexcept>
#include <string>

#include "trace/TrafficTap.h"

typedef struct pcap pcap_t;
typedef struct pcap_dumper pcap_dumper_t;

namespace lumiq {

// The trace file could not be created; the text names it and the reason.
class TraceFileError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class PacketTrace final : public TrafficTap {
public:
    // Creates (or empties) the file and writes its header. Throws TraceFileError.
    explicit PacketTrace(const std::string& path);
    ~PacketTrace();
    PacketTrace(const PacketTrace&) = delete;
    PacketTrace& operator=(const PacketTrace&) = delete;

    const std::string& path() const { return path_; }
    // False once a record could not be written.
    bool recording() const;
    // Why the trace ended early; empty while it records.
    std::string failure() const;

    void datagramSent(const DatagramEnds& ends, std::string_view bytes) override;
    void datagramReceived(const DatagramEnds& ends, std::string_view bytes) override;
    void serialWritten(std::string_view bytes) override;
    void serialRead(std::string_view bytes) override;

private:
    void write(const std::string& record);
    void closeFile();

    const std::string path_;
    mutable std::mutex mutex_;
    pcap_t* pcap_ = nullptr;
    pcap_dumper_t* dumper_ = nullptr;
    std::string failure_;
    std::uint16_t nextIpId_ = 1;
};

} // namespace lumiq
