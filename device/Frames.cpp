#include "device/Frames.h"

namespace lumiq {

std::string UdpEnvelope(std::string_view targetMac, std::string_view localMac) {
    std::string envelope = "<";
    envelope += targetMac;
    envelope += ">,<";
    envelope += localMac;
    envelope += ">,";
    return envelope;
}

std::string DiscoveryFrame(std::string_view localMac) {
    return UdpEnvelope(kEveryModuleMac, localMac) + "AT\r\n";
}

std::string SetCommandLine(std::string_view prefix, std::string_view argument) {
    std::string line(prefix);
    line += argument;
    line += "\r\n";
    return line;
}

char DigitArgument(int itemIndex) {
    // Modular like the byte arithmetic the modules were first driven with.
    return static_cast<char>(static_cast<unsigned char>('0' + itemIndex));
}

std::string UartArgument(std::string_view baud, std::string_view dataBitChar, int stopIndex,
                         int parityIndex) {
    std::string argument(baud);
    argument += ',';
    argument += dataBitChar;
    argument += ',';
    argument += DigitArgument(stopIndex);
    argument += ',';
    argument += DigitArgument(parityIndex);
    return argument;
}

} // namespace lumiq
