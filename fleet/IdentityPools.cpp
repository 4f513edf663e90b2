#include "fleet/IdentityPools.h"

#include <arpa/inet.h>

#include <algorithm>
#include <charconv>
#include <limits>

#include "base/AsciiText.h"
#include "base/ValueForms.h"

namespace lumiq::fleet {
namespace {

constexpr std::uint32_t kLastHostAddress = 0xFFFFFFFEu; // below the limited broadcast
constexpr unsigned kMostDigits = 15;                    // a device name holds no more
// The MAC a template is tried with before any module is known.
constexpr std::string_view kSampleMac = "02:00:00:00:00:01";
constexpr std::string_view kPlaceholders = "(use {n}, {n:03}, {mac}, {mac6})";

[[noreturn]] void Refuse(const std::string& given, const std::string& why) {
    throw InputError("--assign " + given + ": " + why);
}

std::string DottedText(std::uint32_t hostOrder) {
    return std::to_string(hostOrder >> 24) + "." + std::to_string((hostOrder >> 16) & 0xFFu) + "." +
           std::to_string((hostOrder >> 8) & 0xFFu) + "." + std::to_string(hostOrder & 0xFFu);
}

// Decimal digits only, as an unsigned number that fits.
std::optional<unsigned> Number(std::string_view text) {
    unsigned number = 0;
    if (text.empty() || text.size() > 9 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

std::uint32_t ToNetwork(std::uint32_t hostOrder) {
    return htonl(hostOrder);
}

} // namespace

IdentityPools::IdentityPools(const std::vector<std::string>& assignments, unsigned firstNumber)
    : given_(assignments), firstNumber_(firstNumber), nextNumber_(firstNumber) {
    std::set<Param> seen;
    for (const std::string& assignment : assignments) {
        const std::size_t equals = assignment.find('=');
        if (equals == std::string::npos)
            Refuse(assignment, "not KEY=TEMPLATE");
        const std::string_view key = Trimmed(std::string_view(assignment).substr(0, equals));
        const std::string_view text = Trimmed(std::string_view(assignment).substr(equals + 1));
        const std::optional<Param> param = ParamOfKey(key);
        if (!param)
            Refuse(assignment, "no setting is called \"" + std::string(key) + "\"");
        if (!IsWritable(*param))
            Refuse(assignment, std::string(KeyOf(*param)) + " can only be read");
        if (*param == Param::Mac)
            Refuse(assignment, "a MAC comes with the module and is never made up");
        if (!seen.insert(*param).second)
            Refuse(assignment, std::string(KeyOf(*param)) + " is assigned twice");

        if (*param == Param::Ip) {
            AddressRange range;
            range.given = std::string(text);
            const std::size_t dash = text.find('-');
            std::optional<std::uint32_t> first;
            std::optional<std::uint32_t> last;
            if (text.ends_with('+')) {
                first = DottedQuadValue(Trimmed(text.substr(0, text.size() - 1)));
                last = kLastHostAddress;
            } else if (dash != std::string_view::npos) {
                first = DottedQuadValue(Trimmed(text.substr(0, dash)));
                last = DottedQuadValue(Trimmed(text.substr(dash + 1)));
            }
            if (!first || !last) {
                Refuse(assignment, "an ip pool is a range, FIRST-LAST or FIRST+ (one address for many "
                                   "modules would give them all one)");
            }
            if (*last < *first)
                Refuse(assignment, "the range ends before it starts");
            range.first = *first;
            range.last = *last;
            try {
                CheckValue(Param::Ip, DottedText(*first));
            } catch (const ValueError& error) {
                Refuse(assignment, error.what());
            }
            addresses_ = range;
            nextAddress_ = range.first;
            continue;
        }

        Template pool{*param, assignment, {}, false, 0, std::nullopt};
        if (*param == Param::Port || *param == Param::DPort) {
            const std::size_t dash = text.find('-');
            std::optional<unsigned> from;
            if (text.ends_with('+')) {
                from = Number(text.substr(0, text.size() - 1));
                pool.counts = from.has_value();
            } else if (dash != std::string_view::npos) {
                from = Number(text.substr(0, dash));
                pool.countTo = Number(text.substr(dash + 1));
                pool.counts = from && pool.countTo;
                if (!pool.counts)
                    pool.countTo.reset();
            }
            if (pool.counts) {
                pool.countFrom = *from;
                if (pool.countTo && *pool.countTo < *from)
                    Refuse(assignment, "the range ends before it starts");
                try {
                    CheckValue(*param, std::to_string(*from));
                    if (pool.countTo)
                        CheckValue(*param, std::to_string(*pool.countTo));
                } catch (const ValueError& error) {
                    Refuse(assignment, error.what());
                }
            }
        }
        if (!pool.counts) {
            std::string literal;
            const auto flush = [&] {
                if (!literal.empty())
                    pool.pieces.push_back({Piece::Kind::Literal, std::move(literal), 0});
                literal.clear();
            };
            for (std::size_t i = 0; i < text.size(); ++i) {
                const char c = text[i];
                if ((c == '{' || c == '}') && i + 1 < text.size() && text[i + 1] == c) {
                    literal += c;
                    ++i;
                } else if (c == '}') {
                    Refuse(assignment, "a } without its { (write }} for a brace)");
                } else if (c == '{') {
                    const std::size_t close = text.find('}', i);
                    if (close == std::string_view::npos)
                        Refuse(assignment, "a { that is never closed (write {{ for a brace)");
                    const std::string_view name = text.substr(i + 1, close - i - 1);
                    Piece piece;
                    if (name == "n") {
                        piece.kind = Piece::Kind::Number;
                    } else if (name == "mac") {
                        piece.kind = Piece::Kind::Mac;
                    } else if (name == "mac6") {
                        piece.kind = Piece::Kind::Mac6;
                    } else if (name.starts_with("n:") && Number(name.substr(2)).value_or(0) >= 1 &&
                               Number(name.substr(2)).value_or(0) <= kMostDigits) {
                        piece.kind = Piece::Kind::Number;
                        piece.width = *Number(name.substr(2));
                    } else {
                        Refuse(assignment, "unknown placeholder {" + std::string(name) + "} " +
                                               std::string(kPlaceholders));
                    }
                    flush();
                    pool.pieces.push_back(std::move(piece));
                    i = close;
                } else {
                    literal += c;
                }
            }
            flush();
        }
        templates_.push_back(std::move(pool));
    }
    // A template that can never be right is refused before any module is
    // met: its first value is made and checked now.
    valuesFor(firstNumber_, kSampleMac, std::nullopt);
    // A mask the same for every module tells which addresses to skip.
    for (const Template& pool : templates_) {
        const bool constant = std::all_of(pool.pieces.begin(), pool.pieces.end(), [](const Piece& piece) {
            return piece.kind == Piece::Kind::Literal;
        });
        if (pool.param == Param::Mask && constant)
            setMask(
                ToNetwork(*DottedQuadValue(CheckValue(Param::Mask, textOf(pool, firstNumber_, {})).text)));
    }
}

bool IdentityPools::assigns(Param param) const {
    if (param == Param::Ip)
        return givesAddress();
    return std::any_of(templates_.begin(), templates_.end(),
                       [param](const Template& pool) { return pool.param == param; });
}

void IdentityPools::setMaskFrom(const std::vector<Value>& values) {
    if (assigns(Param::Mask))
        return;
    for (const Value& value : values) {
        if (value.param == Param::Mask)
            setMask(ToNetwork(*DottedQuadValue(value.text)));
    }
}

void IdentityPools::setMask(std::uint32_t mask) {
    const std::uint32_t hostOrder = ntohl(mask);
    // A /31 or /32 has no network or broadcast address to keep free.
    mask_ = IsMaskValue(hostOrder) && hostOrder <= 0xFFFFFFFCu ? hostOrder : 0;
}

void IdentityPools::reserveNumber(unsigned number) {
    reservedNumbers_.insert(number);
}

void IdentityPools::reserveAddress(std::uint32_t address) {
    reservedAddresses_.insert(ntohl(address));
}

unsigned IdentityPools::takeNumber() {
    while (reservedNumbers_.count(nextNumber_) != 0) {
        if (nextNumber_ == std::numeric_limits<unsigned>::max())
            throw PoolExhausted("the sequence numbers have run out");
        ++nextNumber_;
    }
    reservedNumbers_.insert(nextNumber_);
    return nextNumber_;
}

bool IdentityPools::excludedByMask(std::uint32_t hostOrder) const {
    if (mask_ == 0)
        return false;
    const std::uint32_t host = hostOrder & ~mask_;
    return host == 0 || host == ~mask_;
}

std::uint32_t IdentityPools::takeAddress() {
    if (!addresses_)
        throw InputError("no ip pool was assigned (--assign ip=FIRST-LAST)");
    // Every address below the cursor is reserved or never handed out, and
    // stays so: nothing is ever given back.
    for (std::uint64_t at = nextAddress_; at <= addresses_->last; ++at) {
        const auto address = static_cast<std::uint32_t>(at);
        if (reservedAddresses_.count(address) != 0 || excludedByMask(address))
            continue;
        try {
            CheckValue(Param::Ip, DottedText(address));
        } catch (const ValueError&) {
            continue;
        }
        reservedAddresses_.insert(address);
        nextAddress_ = address;
        return ToNetwork(address);
    }
    nextAddress_ = addresses_->last;
    const std::uint64_t size = std::uint64_t{addresses_->last} - addresses_->first + 1;
    const auto taken = std::distance(reservedAddresses_.lower_bound(addresses_->first),
                                     reservedAddresses_.upper_bound(addresses_->last));
    throw PoolExhausted("the ip pool " + addresses_->given + " has run out (" + std::to_string(size) +
                        " addresses, " + std::to_string(taken) + " of them taken)");
}

std::uint32_t IdentityPools::addressAt(std::size_t index) const {
    if (!addresses_)
        throw InputError("no ip pool was assigned (--assign ip=FIRST-LAST)");
    std::size_t left = index;
    for (std::uint64_t at = addresses_->first; at <= addresses_->last; ++at) {
        const auto address = static_cast<std::uint32_t>(at);
        if (excludedByMask(address))
            continue;
        if (left == 0)
            return ToNetwork(address);
        --left;
    }
    throw PoolExhausted("the ip pool " + addresses_->given + " has run out: it holds " +
                        std::to_string(index - left) + " addresses, and " + std::to_string(index + 1) +
                        " modules need one each");
}

std::string IdentityPools::textOf(const Template& pool, unsigned number, std::string_view mac) const {
    if (pool.counts) {
        if (number < firstNumber_)
            Refuse(pool.given, "number " + std::to_string(number) + " comes before the first, " +
                                   std::to_string(firstNumber_));
        const std::uint64_t port = std::uint64_t{pool.countFrom} + (number - firstNumber_);
        if (pool.countTo && port > *pool.countTo)
            throw PoolExhausted(
                "the " + std::string(KeyOf(pool.param)) + " pool " +
                std::string(Trimmed(std::string_view(pool.given).substr(pool.given.find('=') + 1))) +
                " has run out at number " + std::to_string(number));
        return std::to_string(port);
    }
    std::string text;
    for (const Piece& piece : pool.pieces) {
        switch (piece.kind) {
        case Piece::Kind::Literal:
            text += piece.text;
            break;
        case Piece::Kind::Number: {
            const std::string digits = std::to_string(number);
            if (digits.size() < piece.width)
                text.append(piece.width - digits.size(), '0');
            text += digits;
            break;
        }
        case Piece::Kind::Mac:
        case Piece::Kind::Mac6: {
            if (!IsMacTextForm(mac))
                Refuse(pool.given, "the module's MAC is not known");
            std::string lowered = AsciiLowered(mac);
            if (piece.kind == Piece::Kind::Mac6) {
                std::erase(lowered, ':');
                lowered.erase(0, lowered.size() - 6);
            }
            text += lowered;
            break;
        }
        }
    }
    return text;
}

std::vector<Value> IdentityPools::valuesFor(unsigned number, std::string_view mac,
                                            std::optional<std::uint32_t> address) const {
    std::vector<Value> values;
    for (const Template& pool : templates_) {
        try {
            values.push_back(CheckValue(pool.param, textOf(pool, number, mac)));
        } catch (const ValueError& error) {
            Refuse(pool.given, error.what());
        }
    }
    if (address) {
        try {
            values.push_back(CheckValue(Param::Ip, DottedText(ntohl(*address))));
        } catch (const ValueError& error) {
            Refuse("ip=" + (addresses_ ? addresses_->given : std::string()), error.what());
        }
    }
    std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return a.param < b.param; });
    return values;
}

} // namespace lumiq::fleet
