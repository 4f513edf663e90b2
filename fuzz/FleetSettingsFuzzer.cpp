// Prepared settings from any file: an identity table and a profile as a
// user may have edited them, a line station's log after a crash, and any
// typed KEY=VALUE or --assign KEY=TEMPLATE.
//
// Input: the bytes of one file, tried as a CSV identity table, as a profile,
// as a commissioning log and as a list of assignments (one a line), also
// all together as identity pools.

#include <cstddef>
#include <cstdint>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "fleet/CommissionLog.h"
#include "fleet/IdentityPools.h"
#include "fleet/PreparedSettings.h"
#include "fuzz/FuzzSupport.h"

namespace {

using namespace lumiq;
using namespace lumiq::fleet;
using lumiq::fuzz::Require;

// A canonical value is its own canonical form.
void CheckCanonical(const Value& value) {
    Require(CheckValue(value.param, value.text) == value, "a canonical value checks to itself");
    Require(lumiq::fuzz::IsValidUtf8(value.text), "canonical values are UTF-8");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string contents(reinterpret_cast<const char*>(data), size);
    const std::string path = lumiq::fuzz::ScratchFolder() + "/settings";
    std::ofstream(path, std::ios::binary | std::ios::trunc) << contents;
    try {
        const IdentityTable table = LoadIdentityTable(path);
        for (const IdentityRow& row : table.rows) {
            for (const SourcedValue& value : row.values)
                CheckCanonical(value.value);
        }
        CheckDistinctIdentities(Profile{}, &table, table.rows.size());
    } catch (const InputError&) {
    }
    for (const bool takeIdentity : {false, true}) {
        try {
            const Profile profile = LoadProfile(path, takeIdentity);
            for (const SourcedValue& value : profile.values)
                CheckCanonical(value.value);
        } catch (const InputError&) {
        }
    }
    try {
        (void)ReadCommissionLog(path);
    } catch (const InputError&) {
    }
    std::vector<std::string> lines;
    std::string_view rest(contents);
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        lines.emplace_back(rest.substr(0, end));
        try {
            CheckCanonical(CheckAssignment(rest.substr(0, end)));
        } catch (const ValueError&) {
        }
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
    try {
        IdentityPools pools(lines);
        for (unsigned number = 1; number <= 3; ++number) {
            const auto address = pools.givesAddress() ? std::optional(pools.takeAddress()) : std::nullopt;
            for (const Value& value : pools.valuesFor(pools.takeNumber(), "02:4c:51:00:00:0c", address))
                CheckCanonical(value);
        }
    } catch (const InputError&) {
    }
    return 0;
}
