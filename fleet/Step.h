#pragma once
// One exchange with a module (a query or a set) and how it ended.

#include <string>
#include <vector>

#include "device/Parameter.h"
#include "device/ValueRules.h"
#include "fleet/FleetPorts.h"

namespace lumiq::fleet {

enum class StepKind : unsigned char {
    None,     // no step: the plan could not make one
    LinkTest, // "AT", answered "OK"
    Query,    // a parameter's query
    Set,      // a parameter's set
    Default,  // the factory default, answered "OK"
};

struct Step {
    StepKind kind = StepKind::None;
    Param param = Param::Mode; // what a query reads or a set writes (Baud stands for the UART set)
    std::string argument;      // a set's argument, GBK bytes
    std::string shown;         // a set's value as people read it, UTF-8
    // What the module holds once a set took (all four UART settings for the
    // UART set): a set whose answer did not come is read back against it.
    std::vector<Value> writes;
    // Milliseconds to wait before the first send; -1: the engine's pace
    // (30 ms after a query's reply, 300 ms between two sets).
    int paceMs = -1;

    // The command line, "\r\n" included.
    std::string line() const;
    // "query mode", "set ip", "link test", "factory default", ...: for records and errors.
    std::string title() const;
    // "port=7000", "baud=9600 databits=8 stopbits=1 parity=None": what a set writes.
    std::string assignments() const;
    bool isSet() const { return kind == StepKind::Set; }
    bool isDefault() const { return kind == StepKind::Default; }
    // A set or the factory default: a command that changes the module.
    bool changesModule() const { return kind == StepKind::Set || kind == StepKind::Default; }
    // Answered by a bare "OK": every set, the factory default and the link test.
    bool answeredByOk() const { return kind != StepKind::Query; }
    // What answers the step as a query does: the link test's, a query's, and
    // the factory default's (its resend is answered like the link test).
    const WireQuery& query() const;
    // The query that reads back what a set writes.
    const WireQuery& readBack() const { return QueryOf(param); }
};

Step LinkTestStep();
Step QueryStep(Param param);
Step SetStep(Param param, std::string argument, std::string shown, std::vector<Value> writes);
Step DefaultStep();

enum class Outcome : unsigned char {
    Ok,           // the awaited reply
    Refused,      // a set answered "ERROR"
    WrongReply,   // a query answered wrongly, resends used up
    Timeout,      // no reply, resends used up; for a set: read back, the module does not hold it
    Unconfirmed,  // a set went out, and neither its answer nor a read-back told whether it took
    SecondSender, // another sender answered with the module's MAC (error names both)
    LinkFailed,   // the link itself failed (a serial port gone)
    Unsendable,   // the plan could not build the step (error says why); nothing sent
    Cancelled,    // the run was ended while the exchange was open
};

std::string_view OutcomeName(Outcome outcome); // "ok", "refused", ...

struct StepRecord {
    Step step;
    Outcome outcome = Outcome::Ok;
    int sends = 0;            // frames sent for it (resends included)
    int readBacks = 0;        // a set's read-back queries, sent when its answer did not come
    bool lateRefusal = false; // an "ERROR" came while a set was being read back
    bool notHeld = false;     // a set's read-back found the module without the value
    std::string reply;        // the last reply's payload up to its line end, UTF-8
    std::string error;        // LinkFailed, Unsendable: why, in words
    Millis started = 0;       // first send
    Millis ended = 0;
};

} // namespace lumiq::fleet
