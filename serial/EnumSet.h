#pragma once
// A set of enumerators, one bit per enumerator (bit number = ordinal), for the
// port's event, signal and error sets.

#include <cstdint>
#include <initializer_list>

namespace lumiq {

template <typename E, int Count> class EnumSet {
    static_assert(Count > 0 && Count <= 32, "one bit per enumerator in 32 bits");

public:
    constexpr EnumSet() = default;
    constexpr EnumSet(std::initializer_list<E> items) {
        for (E item : items)
            insert(item);
    }

    static constexpr EnumSet All() { return FromBits(Count == 32 ? ~0u : (1u << Count) - 1u); }
    // Bits beyond the last enumerator are dropped.
    static constexpr EnumSet FromBits(std::uint32_t bits) {
        EnumSet set;
        set.bits_ = bits & (Count == 32 ? ~0u : (1u << Count) - 1u);
        return set;
    }

    constexpr std::uint32_t bits() const { return bits_; }
    constexpr bool empty() const { return bits_ == 0; }
    constexpr bool contains(E item) const { return (bits_ & bit(item)) != 0; }
    constexpr void insert(E item) { bits_ |= bit(item); }
    constexpr void erase(E item) { bits_ &= ~bit(item); }

    constexpr EnumSet operator|(EnumSet other) const { return FromBits(bits_ | other.bits_); }
    constexpr EnumSet operator&(EnumSet other) const { return FromBits(bits_ & other.bits_); }
    constexpr EnumSet& operator|=(EnumSet other) {
        bits_ |= other.bits_;
        return *this;
    }
    constexpr bool operator==(const EnumSet&) const = default;

private:
    static constexpr std::uint32_t bit(E item) { return 1u << static_cast<unsigned>(item); }
    std::uint32_t bits_ = 0;
};

} // namespace lumiq
