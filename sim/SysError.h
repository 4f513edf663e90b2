#pragma once
// One way to report a failed system call: the call's name and errno's text,
// taken right at the call.

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace lumiq::sim {

[[noreturn]] inline void ThrowSysError(const std::string& what, int error = errno) {
    throw std::runtime_error(what + ": " + std::strerror(error));
}

} // namespace lumiq::sim
