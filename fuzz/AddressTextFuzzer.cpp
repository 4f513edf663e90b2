// The address helpers on any text: a dotted address typed into the panel, a
// module's reply, a value from CFG.ini; and the strict integer conversion a
// stored combo index goes through.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "state/AddressText.h"
#include "state/IntText.h"

using lumiq::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (!text.empty()) {
        // Whatever the text parses to, its own dotted form parses back to it.
        const std::uint32_t address = lumiq::ParseIp(text);
        Require(lumiq::ParseIp(lumiq::IpToText(address)) == address, "an address survives its dotted text");
    }
    if (size >= sizeof(std::uint32_t)) {
        std::uint32_t address = 0;
        std::memcpy(&address, data, sizeof address);
        Require(lumiq::ParseIp(lumiq::IpToText(address)) == address,
                "every address survives its dotted text");
    }
    try {
        const int value = lumiq::StrToIntStrict(text);
        Require(lumiq::StrToIntStrict(std::to_string(value)) == value,
                "an integer survives its decimal text");
    } catch (const std::runtime_error&) {
        // Not an integer: the caller shows the text.
    }
    return 0;
}
