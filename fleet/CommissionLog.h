#pragma once
// A station's memory: one CSV row per module and attempt, and one per
// address that was found taken and skipped. A restarted station reads it
// back and never hands out a logged sequence number or address again, and
// leaves alone the modules it shows as done.
//
// Rows are only ever appended, each with one write() of the whole row and
// an fsync before the station goes on, so that a crash or a power loss can
// at most leave the last row without its line end: such a torn line is
// left out when the log is read, and the next row starts on a line of its
// own (the cut row closed, and left out too, as a row short of columns).

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace lumiq::fleet {

struct CommissionRow {
    std::string time; // ISO 8601 with the UTC offset, filled in by append() when empty
    std::string mac;  // empty on a skipped address's row
    std::string adapter;
    std::optional<unsigned> number; // the sequence number given
    std::string addressBefore;      // dotted
    std::string addressAfter;       // dotted: the address given (or skipped)
    std::string written;            // "ip=10.1.0.111; name=Press-012", every value written, in order
    std::string result;             // "applied", "unchanged", "refused", ..., "address-taken"
    std::string verification;       // "", "verified", "lost name, ip", "not back", "interrupted"
    bool done = false;              // the module is finished with: a restarted station skips it
    std::string detail;
    std::string seconds; // how long the module took, "4.1"
};

// Now as the log writes it: local time with its UTC offset,
// "2026-12-10T12:34:56+01:00".
std::string LocalTimeText();

// What a log tells a restarted station.
struct CommissionMemory {
    std::set<unsigned> numbers;        // every sequence number logged
    std::set<std::uint32_t> addresses; // every address given or skipped (network order)
    std::set<std::string> doneMacs;    // lower-case MAC texts of rows marked done
    std::size_t rows = 0;
    bool tornLastLine = false; // a last line without its end, left out
    std::size_t tornRows = 0;  // rows cut short by a crash that later rows closed, left out too
};

// Reads the log at `path`; a log that does not exist yet is empty. Throws
// InputError for a path that is not a regular file, a header that is not
// the log's, or a row that cannot be read (naming its line).
CommissionMemory ReadCommissionLog(const std::string& path);

class CommissionLog {
public:
    // Opens `path` for appending, creating it with its header when missing.
    // Throws InputError (not a regular file, cannot be opened or written).
    explicit CommissionLog(const std::string& path);
    ~CommissionLog();
    CommissionLog(const CommissionLog&) = delete;
    CommissionLog& operator=(const CommissionLog&) = delete;

    // Appends one row whole and flushes it to the disk. Throws InputError
    // when it cannot be written: the station must not go on without memory.
    void append(CommissionRow row);
    const std::string& path() const { return path_; }

private:
    std::string path_;
    int fd_ = -1;
    bool lineOpen_ = false; // the file may end inside a row (a torn one)
};

} // namespace lumiq::fleet
