#include "links/ComPortSerialLink.h"

#include <stdexcept>

#include "serial/EComPort.h"

namespace lumiq {

template <typename Call> auto ComPortSerialLink::worded(Call call) {
    try {
        return call();
    } catch (const EComPort& failure) {
        if (words_ == ComFailureWords::Window)
            throw;
        throw std::runtime_error(ComFailureInSystemWords(failure, port_.Port()));
    }
}

int ComPortSerialLink::writeStr(const std::string& bytes) {
    return worded([&] { return port_.WriteStr(bytes); });
}

std::string ComPortSerialLink::readStr(int maxCount) {
    return worded([&] {
        std::string text;
        port_.ReadStr(text, maxCount);
        return text;
    });
}

void ComPortSerialLink::open() {
    worded([&] { port_.Open(); });
}

void ComPortSerialLink::close() {
    worded([&] { port_.Close(); });
}

} // namespace lumiq
