#include "trace/PacketTrace.h"

#include <pcap/pcap.h>

#include <cerrno>
#include <cstring>
#include <ctime>

#include "trace/Sll2Record.h"

namespace lumiq {

namespace {

// Enough for the largest IPv4 packet behind its cooked header.
constexpr int kSnapLength = 65535 + static_cast<int>(kSll2HeaderSize);

// True when everything handed to the file so far has reached it.
bool FlushedWhole(pcap_dumper_t* dumper) {
    return pcap_dump_flush(dumper) == 0 && std::ferror(pcap_dump_file(dumper)) == 0;
}

std::string ErrnoText() {
    return errno != 0 ? std::strerror(errno) : "write error";
}

} // namespace

PacketTrace::PacketTrace(const std::string& path) : path_(path) {
    pcap_ = pcap_open_dead(kLinkTypeLinuxSll2, kSnapLength);
    if (pcap_ == nullptr)
        throw TraceFileError("Cannot start a trace: out of memory");
    dumper_ = pcap_dump_open(pcap_, path.c_str());
    if (dumper_ == nullptr) {
        const std::string reason = pcap_geterr(pcap_);
        pcap_close(pcap_);
        throw TraceFileError("Cannot write the trace " + path + ": " + reason);
    }
    // The file header is only buffered so far: a full disk shows here.
    errno = 0;
    if (!FlushedWhole(dumper_)) {
        const std::string reason = ErrnoText();
        closeFile();
        throw TraceFileError("Cannot write the trace " + path + ": " + reason);
    }
}

PacketTrace::~PacketTrace() {
    closeFile();
}

void PacketTrace::closeFile() {
    if (dumper_ != nullptr)
        pcap_dump_close(dumper_);
    if (pcap_ != nullptr)
        pcap_close(pcap_);
    dumper_ = nullptr;
    pcap_ = nullptr;
}

bool PacketTrace::recording() const {
    const std::lock_guard lock(mutex_);
    return dumper_ != nullptr;
}

std::string PacketTrace::failure() const {
    const std::lock_guard lock(mutex_);
    return failure_;
}

void PacketTrace::datagramSent(const DatagramEnds& ends, std::string_view bytes) {
    const std::lock_guard lock(mutex_);
    write(UdpRecord(Sll2Direction::Outgoing, ends, bytes, nextIpId_++));
}

void PacketTrace::datagramReceived(const DatagramEnds& ends, std::string_view bytes) {
    const std::lock_guard lock(mutex_);
    write(UdpRecord(Sll2Direction::ToUs, ends, bytes, nextIpId_++));
}

void PacketTrace::serialWritten(std::string_view bytes) {
    const std::lock_guard lock(mutex_);
    write(SerialRecord(Sll2Direction::Outgoing, bytes));
}

void PacketTrace::serialRead(std::string_view bytes) {
    const std::lock_guard lock(mutex_);
    write(SerialRecord(Sll2Direction::ToUs, bytes));
}

// Called with mutex_ held.
void PacketTrace::write(const std::string& record) {
    if (dumper_ == nullptr)
        return;
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME, &now);
    pcap_pkthdr header{};
    header.ts.tv_sec = now.tv_sec;
    header.ts.tv_usec = static_cast<suseconds_t>(now.tv_nsec / 1000);
    header.caplen = static_cast<bpf_u_int32>(record.size());
    header.len = header.caplen;
    pcap_dump(reinterpret_cast<u_char*>(dumper_), &header, reinterpret_cast<const u_char*>(record.data()));
    errno = 0;
    if (!FlushedWhole(dumper_)) {
        failure_ = "The trace " + path_ + " stopped: " + ErrnoText();
        closeFile();
    }
}

} // namespace lumiq
