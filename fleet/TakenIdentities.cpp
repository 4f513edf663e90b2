#include "fleet/TakenIdentities.h"

#include <string>
#include <unordered_map>

#include "fleet/InputFile.h"
#include "fleet/Plan.h"
#include "state/AddressText.h"

namespace lumiq::fleet {
namespace {

std::string Named(const FoundModule& module) {
    return module.mac + "  " + IpToText(module.ip) + "  on " + module.route.adapter;
}

std::string MacKey(const std::string& mac) {
    return CanonicalReading(Param::Mac, mac);
}

} // namespace

void RefuseTakenIdentity(const std::vector<const FoundModule*>& modules,
                         const std::vector<FoundModule>& found,
                         const std::function<std::vector<Value>(const FoundModule&)>& wanted) {
    // Every MAC and address the search saw, with who holds it.
    std::unordered_map<std::string, const FoundModule*> byMac;
    std::unordered_map<std::uint32_t, const FoundModule*> byIp;
    for (const FoundModule& module : found) {
        byMac.emplace(MacKey(module.mac), &module);
        byIp.emplace(module.ip, &module);
    }
    for (const FoundModule* module : modules) {
        const std::vector<Value> values = wanted(*module);
        const auto holder = [&](const Value& value) -> const FoundModule* {
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
            if (const FoundModule* other = holder(value))
                throw InputError(std::string(KeyOf(value.param)) + "=" + value.text + " for " +
                                 Named(*module) + ": the module " + Named(*other) + " holds it already");
        }
        try {
            CheckAddressInSubnet(values, {});
        } catch (const ValueError& error) {
            throw InputError(std::string(error.what()) + " for " + Named(*module));
        }
    }
}

} // namespace lumiq::fleet
