#include "state/IntText.h"

#include <charconv>
#include <stdexcept>

namespace lumiq {

int StrToIntStrict(const std::string& text) {
    const char* first = text.data();
    const char* last = text.data() + text.size();
    // std::from_chars takes a "-" but not a "+"; a "+" must be followed by a digit.
    if (last - first > 1 && first[0] == '+' && first[1] >= '0' && first[1] <= '9')
        ++first;
    int value = 0;
    const auto [end, error] = std::from_chars(first, last, value, 10);
    if (error != std::errc() || end != last)
        throw std::runtime_error("'" + text + "' is not a valid integer value");
    return value;
}

} // namespace lumiq
