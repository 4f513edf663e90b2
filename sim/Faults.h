#pragma once
// Faults a simulated module can be told to show, so that the tool's failure
// paths can be exercised without broken hardware.

#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lumiq::sim {

// Datagrams no sound module sends. Each replaces the reply to one frame.
enum class Malformed {
    Short,     // "<" and the first part of the MAC text: fewer than 20 bytes
    NoGt,      // a reply without any ">" in it
    Binary,    // 64 bytes of binary data, NUL and 0xff included
    Oversized, // 65000 bytes, its value without a carriage return
};

std::optional<Malformed> ParseMalformed(std::string_view name); // "short", "nogt", "binary", "oversized"
std::string_view MalformedName(Malformed kind);

// The bytes sent for a malformed reply by the module with this MAC text.
std::string MalformedBytes(Malformed kind, std::string_view mac);

struct Faults {
    bool silent = false;               // takes frames, answers nothing, changes nothing
    unsigned wrongAnswers = 0;         // answer "ERROR\r\n" this many more times, changing nothing
    unsigned delayMs = 0;              // every reply goes out this much later
    bool twice = false;                // every reply goes out two times
    bool hidden = false;               // takes every frame but the search's: a stray with another's MAC
    std::deque<Malformed> malformed{}; // replies to the next frames, one each, changing nothing
    std::string refused{}; // a keyword ("NAME"): its sets are answered "ERROR\r\n", changing nothing
    // Keywords ("IP", "NAME") whose values fall back to the factory ones at
    // every power-up, as a module whose settings memory fails does.
    std::vector<std::string> forgotten{};
};

// "IP,NAME" into upper-case keywords, each one a module's parameter;
// nothing when a keyword is unknown or the list has an empty item.
std::optional<std::vector<std::string>> ParseForgotten(std::string_view list);

} // namespace lumiq::sim
