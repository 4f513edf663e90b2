// The simulator's view of a datagram: the UDP envelope around a command, and
// the printable form of any bytes that the frame log and the control socket
// use.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "fuzz/FuzzSupport.h"
#include "sim/ByteEscape.h"
#include "sim/UdpEnvelope.h"

using namespace lumiq::sim;
using lumiq::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    if (const std::optional<Envelope> envelope = ParseEnvelope(bytes)) {
        Require("<" + std::string(envelope->target) + ">,<" + std::string(envelope->sender) + ">," +
                        std::string(envelope->rest) ==
                    bytes,
                "the envelope's parts make up the datagram");
        if (const auto command = CommandLine(envelope->rest)) {
            Require(envelope->rest.substr(command->size(), 2) == "\r\n" &&
                        command->find("\r\n") == std::string_view::npos,
                    "a command line ends at the first CR LF");
        }
    }

    const std::string escaped = EscapeBytes(bytes);
    Require(escaped.find_first_of(" \r\n\t") == std::string::npos, "escaped bytes stay one token");
    Require(UnescapeBytes(escaped) == std::string(bytes), "escaped bytes turn back into the same bytes");
    UnescapeBytes(bytes);
    return 0;
}
