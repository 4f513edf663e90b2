#include "cli/IdentityChecks.h"

#include <string>
#include <unordered_map>

#include "cli/ExitStatus.h"
#include "fleet/Plan.h"
#include "state/AddressText.h"

namespace lumiq::cli {
namespace {

std::string Named(const fleet::FoundModule& module) {
    return module.mac + "  " + IpToText(module.ip) + "  on " + module.route.adapter;
}

std::string MacKey(const std::string& mac) {
    return CanonicalReading(Param::Mac, mac);
}

} // namespace

void RefuseTakenIdentity(const std::vector<const fleet::FoundModule*>& modules,
                         const std::vector<fleet::FoundModule>& found,
                         const std::function<std::vector<Value>(const fleet::FoundModule&)>& wanted) {
    // Every MAC and address the search saw, with who holds it.
    std::unordered_map<std::string, const fleet::FoundModule*> byMac;
    std::unordered_map<std::uint32_t, const fleet::FoundModule*> byIp;
    for (const fleet::FoundModule& module : found) {
        byMac.emplace(MacKey(module.mac), &module);
        byIp.emplace(module.ip, &module);
    }
    for (const fleet::FoundModule* module : modules) {
        const std::vector<Value> values = wanted(*module);
        const auto holder = [&](const Value& value) -> const fleet::FoundModule* {
            if (value.param == Param::Mac) {
                const auto it = byMac.find(value.text);
                return it == byMac.end() || MacKey(it->second->mac) == MacKey(module->mac) ? nullptr
                                                                                           : it->second;
            }
            if (value.param != Param::Ip)
                return nullptr;
            const auto it = byIp.find(ParseIp(value.text));
            return it == byIp.end() || it->second->ip == module->ip ? nullptr : it->second;
        };
        for (const Value& value : values) {
            if (const fleet::FoundModule* other = holder(value))
                throw UsageError(std::string(KeyOf(value.param)) + "=" + value.text + " for " +
                                 Named(*module) + ": the module " + Named(*other) +
                                 " holds it already; nothing was written");
        }
        try {
            fleet::CheckAddressInSubnet(values, {});
        } catch (const ValueError& error) {
            throw UsageError(std::string(error.what()) + " for " + Named(*module) + "; nothing was written");
        }
    }
}

} // namespace lumiq::cli
