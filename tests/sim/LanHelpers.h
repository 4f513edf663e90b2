#pragma once
// Small helpers the UDP tests share.

#include <string>
#include <string_view>

#include "sim/ModuleList.h"
#include "tests/support/simbed/UdpProbe.h"

namespace lumiq::testbed {

// MAC text of generated module `index`.
inline std::string ModuleMac(unsigned index) {
    return sim::GeneratedModule(index, sim::ParseAddress("10.77.1.1")).factory.at("MAC");
}

// A module's reply datagram: header and payload.
inline std::string Reply(std::string_view mac, std::string_view payload) {
    return "<" + std::string(mac) + ">," + std::string(payload);
}

// Accepts the datagram that starts with this module's reply header.
inline auto FromMac(const std::string& mac) {
    return [header = "<" + mac + ">,"](const ProbeDatagram& datagram) {
        return datagram.bytes.starts_with(header);
    };
}

} // namespace lumiq::testbed
