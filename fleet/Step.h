#pragma once
// One exchange with a module (a query or a set) and how it ended.

#include <string>

#include "fleet/FleetPorts.h"
#include "fleet/Parameter.h"
#include "protocol/CommandTable.h"

namespace lumiq::fleet {

enum class StepKind : unsigned char { Query, Set };

struct Step {
    StepKind kind = StepKind::Query;
    const QueryCommand* query = nullptr;  // a query: the command
    const SetCommand* set = nullptr;      // a set (the factory default too)
    std::string argument;                 // a set's argument, GBK bytes
    std::string shown;                    // a set's value as people read it, UTF-8
    Param param = Param::Mode;            // what a set writes (Baud stands for the UART set)
    // Milliseconds to wait before the first send; -1: the engine's pace
    // (30 ms after a query's reply, 300 ms between two sets).
    int paceMs = -1;

    // The command line, "\r\n" included.
    std::string line() const;
    // "query mode", "set ip", "link test", "factory default", ...: for records and errors.
    std::string title() const;
};

Step QueryStep(const QueryCommand& query);
Step SetStep(Param param, std::string argument, std::string shown);
Step DefaultStep();

enum class Outcome : unsigned char {
    Ok,          // the awaited reply
    Refused,     // a set answered without "OK"
    WrongReply,  // a query answered wrongly, resends used up
    Timeout,     // no reply, resends used up
    LinkFailed,  // the link itself failed (a serial port gone)
    Unsendable,  // the plan could not build the step (error says why); nothing sent
    Cancelled,   // the run was ended while the exchange was open
};

std::string_view OutcomeName(Outcome outcome);  // "ok", "refused", ...

struct StepRecord {
    Step step;
    Outcome outcome = Outcome::Ok;
    int sends = 0;          // frames sent for it (resends included)
    std::string reply;      // the last reply's payload up to its line end, UTF-8
    std::string error;      // LinkFailed, Unsendable: why, in words
    Millis started = 0;     // first send
    Millis ended = 0;
};

}  // namespace lumiq::fleet
