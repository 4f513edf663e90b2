#pragma once
// Errors the core raises that the front end shows in its standard error box.

#include <stdexcept>

namespace lumiq {

// An empty field where a value is needed. Nothing is sent.
class RangeCheckError : public std::runtime_error {
public:
    RangeCheckError() : std::runtime_error("Range check error") {}
};

} // namespace lumiq
