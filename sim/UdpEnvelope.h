#pragma once
// The addressing around commands on the UDP link.
//   in:  "<" + target MAC text + ">,<" + sender MAC text + ">," + command
//   out: "<" + own MAC text + ">," + reply payload
// MAC texts are normally 17 characters, but the fields are found by their
// delimiters so that a text of another length is still read correctly.

#include <optional>
#include <string>
#include <string_view>

namespace lumiq::sim {

// The target that addresses every module (the tool's search).
inline constexpr std::string_view kAllModulesMac = "00:00:00:00:00:00";

struct Envelope {
    std::string_view target;
    std::string_view sender;
    std::string_view rest; // the command and whatever follows it
};

// Nothing when the datagram does not have the envelope's shape. The views
// point into `datagram`.
std::optional<Envelope> ParseEnvelope(std::string_view datagram);

// The command line without its "\r\n"; nothing when no "\r\n" ends it.
std::optional<std::string_view> CommandLine(std::string_view rest);

std::string ReplyHeader(std::string_view mac);

} // namespace lumiq::sim
