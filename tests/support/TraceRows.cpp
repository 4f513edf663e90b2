#include "tests/support/TraceRows.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "base/GbkText.h"

namespace lumiq::testbed {

namespace {

const std::vector<std::string> kColumns = {
    "sll.pkttype",      "sll.ifindex",      "ip.src",           "ip.dst",          "lumiq.frame",
    "lumiq.target_mac", "lumiq.sender_mac", "lumiq.module_mac", "lumiq.operation", "lumiq.keyword",
    "lumiq.argument",   "lumiq.value",      "lumiq.status",     "lumiq.direction", "_ws.expert.message"};

TraceRow With(TraceRow row, const TraceRow& more) {
    row.insert(more.begin(), more.end());
    return row;
}

} // namespace

std::vector<TraceRow> DissectTrace(const std::string& file) {
    const char* source = std::getenv("LUMIQ_SOURCE_DIR");
    std::string command = "tshark -X lua_script:" + std::string(source != nullptr ? source : ".") +
                          "/packaging/wireshark/lumiq.lua -r '" + file + "' -T fields -E occurrence=f";
    for (const std::string& column : kColumns)
        command += " -e " + column;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((command + " 2>/dev/null").c_str(), "r"), ::pclose);
    std::string out;
    char buffer[4096];
    for (std::size_t got; pipe && (got = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0;)
        out.append(buffer, got);
    std::vector<TraceRow> rows;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);) {
        TraceRow row;
        std::istringstream cells(line);
        std::string cell;
        for (const std::string& column : kColumns)
            if (std::getline(cells, cell, '\t') && !cell.empty())
                row[column] = cell;
        rows.push_back(row);
    }
    return rows;
}

int CountRows(const std::vector<TraceRow>& rows, const TraceRow& wanted) {
    int count = 0;
    for (const TraceRow& row : rows) {
        bool all = true;
        for (const auto& [field, value] : wanted)
            all = all && row.contains(field) && row.at(field) == value;
        count += all;
    }
    return count;
}

TraceRow SetSent(const std::string& keyword, const std::string& argument, const std::string& mac) {
    return {{"lumiq.operation", "set"},
            {"lumiq.keyword", keyword},
            {"lumiq.argument", argument},
            {"lumiq.target_mac", mac},
            {"sll.pkttype", "4"}};
}

TraceRow SearchSent(const std::string& ownMac) {
    return {{"lumiq.operation", "search"},
            {"lumiq.target_mac", "00:00:00:00:00:00"},
            {"lumiq.sender_mac", ownMac},
            {"lumiq.keyword", "AT"},
            {"sll.pkttype", "4"}};
}

std::vector<const QueryCommand*> ReadAllChain() {
    std::vector<const QueryCommand*> chain;
    for (std::uint16_t code = kLinkTestSend; code != 0; code = chain.back()->nextCode)
        chain.push_back(QueryBySendCode(code));
    return chain;
}

std::vector<std::string> MissingReadAll(const std::vector<TraceRow>& rows,
                                        const std::map<std::string, std::string>& params,
                                        const TraceRow& command, const TraceRow& reply) {
    std::vector<std::string> missing;
    for (const QueryCommand* query : ReadAllChain()) {
        if (query->wire().value == ReplyValue::None)
            continue;
        const std::string keyword(query->wire().keyword.substr(1)); // without its "+"
        const auto value = params.find(keyword);
        if (CountRows(rows, With(command, {{"lumiq.operation", "query"},
                                           {"lumiq.keyword", keyword},
                                           {"sll.pkttype", "4"}})) == 0)
            missing.push_back("the query of " + keyword);
        if (value == params.end() || CountRows(rows, With(reply, {{"lumiq.keyword", keyword},
                                                                  {"lumiq.value", GbkToUtf8(value->second)},
                                                                  {"sll.pkttype", "0"}})) == 0)
            missing.push_back("the reply to " + keyword);
    }
    return missing;
}

} // namespace lumiq::testbed
