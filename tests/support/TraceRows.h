#pragma once
// A trace file as tshark shows it with the module protocol's dissector
// (packaging/wireshark/lumiq.lua from LUMIQ_SOURCE_DIR): one row per
// record, holding those of the fields below that the record has.
//   sll.pkttype ("4" sent, "0" received), sll.ifindex, ip.src, ip.dst, and
//   lumiq.frame, .target_mac, .sender_mac, .module_mac, .operation,
//   .keyword, .argument, .value, .status, .direction, and _ws.expert.message

#include <map>
#include <string>
#include <vector>

#include "presenter/CommandBindings.h"

namespace lumiq::testbed {

using TraceRow = std::map<std::string, std::string>;

// Empty when tshark cannot read the file.
std::vector<TraceRow> DissectTrace(const std::string& file);

// How many rows hold every field of `wanted` with its value.
int CountRows(const std::vector<TraceRow>& rows, const TraceRow& wanted);

// The fields of a set the tool sent to module `mac`, and of a search it sent
// with `ownMac` in its envelope.
TraceRow SetSent(const std::string& keyword, const std::string& argument, const std::string& mac);
TraceRow SearchSent(const std::string& ownMac);

// The read-all chain as the command table links it, the link test first.
std::vector<const QueryCommand*> ReadAllChain();

// What a read-all lacks in the rows: for every keyword of the chain a query
// sent with the fields of `command`, and a reply received with the fields of
// `reply` and the value `params` holds (as SimControl::params gives them,
// GBK). Empty when nothing is missing.
std::vector<std::string> MissingReadAll(const std::vector<TraceRow>& rows,
                                        const std::map<std::string, std::string>& params,
                                        const TraceRow& command, const TraceRow& reply);

} // namespace lumiq::testbed
