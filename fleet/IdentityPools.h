#pragma once
// Identities made up as modules come, for a line where nobody knows the MACs
// beforehand: `--assign KEY=TEMPLATE`, once per key.
//
//   ip=10.1.0.100-10.1.0.199   the addresses of a range, in order
//   ip=10.1.0.100+             from this address upwards
//   port=9000+  dport=9000-9099   a number counting up with the sequence number
//                              (the first number gets 9000); a plain port or a
//                              template gives every module the same
//   name=Press-{n:03}          a text: {n} the sequence number ({n:03}, also
//                              written {n:3}: at least three digits, zeros in
//                              front), {mac} the module's MAC text (lower case,
//                              with colons), {mac6} its last six hex digits
//                              (lower case), {{ and }} a brace
//   gateway=10.1.0.1           any other key: a text template the same way
//                              (mac is refused: a MAC comes with the module;
//                              ip takes a range only: one address for many
//                              modules would give them all one)
//
// The sequence number and the address are counted apart: an address that
// turns out to be taken is skipped without a number being lost. Every value
// made goes through the same checks as a typed one (ValueRules.h) before it
// is handed out; a pool that runs out is an error, never a wrap-around.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "device/ValueRules.h"
#include "fleet/InputFile.h"

namespace lumiq::fleet {

// A pool with nothing left to give. what(): "the ip pool 10.1.0.100-10.1.0.199 has run out"
class PoolExhausted : public InputError {
public:
    using InputError::InputError;
};

class IdentityPools {
public:
    IdentityPools() = default;
    // Each "KEY=TEMPLATE" as given to --assign; `firstNumber` is the first
    // sequence number. Throws InputError naming the assignment and the rule
    // (an unknown key or placeholder, a key given twice, "mac", a range that
    // ends before it starts, a template whose first value breaks its rule).
    IdentityPools(const std::vector<std::string>& assignments, unsigned firstNumber = 1);

    bool empty() const { return templates_.empty() && !addresses_; }
    bool givesAddress() const { return addresses_.has_value(); }
    unsigned firstNumber() const { return firstNumber_; }
    // The network and broadcast addresses of subnets of this mask (network
    // order) are never handed out.
    void setMask(std::uint32_t mask);
    // The mask among `values` (what the modules will hold besides the pools'),
    // unless the pools give one themselves.
    void setMaskFrom(const std::vector<Value>& values);

    // Never handed out: numbers and addresses a log or a module holds.
    void reserveNumber(unsigned number);
    void reserveAddress(std::uint32_t address); // network order

    // The next number not reserved, reserved from then on.
    unsigned takeNumber();
    // The next address of the ip pool not reserved (network order), reserved
    // from then on. Throws PoolExhausted.
    std::uint32_t takeAddress();
    // The address a module at position `index` (from 0) of a stated order
    // gets, skipping nothing reserved: for modules already found. Throws
    // PoolExhausted.
    std::uint32_t addressAt(std::size_t index) const;

    // Every value of the pools for sequence number `number`, the module's
    // MAC text and its address (when there is an ip pool), each checked.
    // Throws InputError naming the assignment, the value and its rule.
    std::vector<Value> valuesFor(unsigned number, std::string_view mac,
                                 std::optional<std::uint32_t> address) const;

    // The assignments as given, for logs and messages.
    const std::vector<std::string>& assignments() const { return given_; }
    // Whether an assignment gives this parameter (ip: the ip pool).
    bool assigns(Param param) const;

private:
    // One piece of a text template: a literal text or a placeholder.
    struct Piece {
        enum class Kind : unsigned char { Literal, Number, Mac, Mac6 };
        Kind kind = Kind::Literal;
        std::string text;   // Literal
        unsigned width = 0; // Number: at least this many digits
    };
    // One key's template: pieces of text, or a port that counts up.
    struct Template {
        Param param;
        std::string given;         // "KEY=TEMPLATE" as typed
        std::vector<Piece> pieces; // empty when it counts
        bool counts = false;       // port=9000+ or port=9000-9099
        unsigned countFrom = 0;
        std::optional<unsigned> countTo; // inclusive; none for "N+"
    };
    std::string textOf(const Template& pool, unsigned number, std::string_view mac) const;
    bool excludedByMask(std::uint32_t hostOrder) const;
    struct AddressRange {
        std::uint32_t first = 0; // host order
        std::uint32_t last = 0;  // host order, inclusive
        std::string given;
    };
    std::vector<std::string> given_;
    std::vector<Template> templates_;
    std::optional<AddressRange> addresses_;
    unsigned firstNumber_ = 1;
    std::uint32_t mask_ = 0; // host order; 0: none known
    std::set<unsigned> reservedNumbers_;
    std::set<std::uint32_t> reservedAddresses_; // host order
    unsigned nextNumber_ = 1;
    std::uint32_t nextAddress_ = 0; // host order
};

} // namespace lumiq::fleet
