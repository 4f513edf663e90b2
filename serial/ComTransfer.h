#pragma once
// Blocking reads and writes on a non-blocking terminal, bounded the way the
// port's time-outs say. Both block the calling thread; neither spins.

#include <cstdint>

namespace lumiq {

// Milliseconds; 0xFFFFFFFF is the "largest value" that -1 stands for.
struct ComTransferTimeouts {
    std::uint32_t ReadInterval = 0xFFFFFFFFu;
    std::uint32_t ReadTotalMultiplier = 0;
    std::uint32_t ReadTotalConstant = 0;
    std::uint32_t WriteTotalMultiplier = 100;
    std::uint32_t WriteTotalConstant = 1000;
};

// Reads at most count bytes and returns how many were read:
// - interval at the largest value, both totals 0: at once, whatever is queued;
// - interval and multiplier at the largest value, constant between: as soon as
//   one byte is there, or after the constant;
// - otherwise until count bytes, the total (multiplier * count + constant,
//   when either is set) ends, or, once a byte came, no next byte came within
//   the interval (when set). All three 0 waits for count bytes.
// A device that is gone (hung up, read at end of file) throws EComPort code 3
// with EIO; another failure code 3 with its errno.
int ReadWithTimeouts(int fd, char* buffer, int count, const ComTransferTimeouts& timeouts);

// Writes count bytes and returns how many the driver took: all of them, or
// fewer when multiplier * count + constant milliseconds (no limit when both
// are 0) ran out first. Failure: EComPort code 2 with errno (EIO when gone).
int WriteWithTimeouts(int fd, const char* data, int count, const ComTransferTimeouts& timeouts);

} // namespace lumiq
