#pragma once
// What became of each value a run was to write to one module, as its records
// and its read-back tell: the module holds it, refused it, may or may not
// hold it, or was never sent it.

#include <string>
#include <string_view>
#include <vector>

#include "device/ModuleValues.h"
#include "device/ValueRules.h"
#include "fleet/Session.h"

namespace lumiq::fleet {

enum class WriteState : unsigned char {
    Confirmed,   // answered "OK" or read back as written
    Mismatch,    // answered "OK", read back otherwise
    Refused,     // answered "ERROR"
    Unconfirmed, // sent; neither an answer nor a read-back told whether it took
    NotWritten,  // never sent, or read back without it
};

std::string_view WriteStateName(WriteState state); // "confirmed", "mismatch", ...

struct ValueWrite {
    Value value;
    WriteState state = WriteState::NotWritten;
    std::string held; // Mismatch: what was read back
};

// For each value of `asked`, from the session's set records; `readBack`,
// when the plan read the values back after writing, decides Confirmed
// against Mismatch.
std::vector<ValueWrite> WritesOf(const Session& session, const std::vector<Value>& asked,
                                 const ModuleValues* readBack);

} // namespace lumiq::fleet
