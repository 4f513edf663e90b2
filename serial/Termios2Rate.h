#pragma once
// Line rates that have no Bnnn constant (14400, 56000, 128000, 256000 and any
// custom rate), set through the kernel's termios2 with BOTHER.
//
// This pair of files exists because the kernel's <asm/termbits.h>, which
// declares termios2, defines its own struct termios and cannot be included in
// a file that sees glibc's <termios.h>. Keep this header free of both.

#include <cstdint>

namespace lumiq {

// Sets input and output rate of the open terminal fd; 0 or errno.
int SetTermios2Rate(int fd, std::uint32_t bitsPerSecond);
// Reads back the output rate the driver holds; 0 or errno.
int ReadTermios2Rate(int fd, std::uint32_t& bitsPerSecond);

} // namespace lumiq
