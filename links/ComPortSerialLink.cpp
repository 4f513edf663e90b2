#include "links/ComPortSerialLink.h"

namespace lumiq {

std::string ComPortSerialLink::readStr(int maxCount) {
    std::string text;
    port_.ReadStr(text, maxCount);
    return text;
}

}  // namespace lumiq
