#include "net/NeighbourRoom.h"

#include <fstream>

namespace lumiq {

int NeighbourRoom(const std::string& thresholdFile) {
    constexpr long kKernelDefault = 1024;
    long limit = kKernelDefault;
    std::ifstream file(thresholdFile);
    if (long read = 0; file >> read && read > 0 && read <= (1L << 30))
        limit = read;
    return static_cast<int>(limit / 2);
}

} // namespace lumiq
