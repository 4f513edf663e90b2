#include "fleet/PooledIdentities.h"

#include <algorithm>
#include <optional>

namespace lumiq::fleet {
namespace {

std::string MacKey(const std::string& mac) {
    return CanonicalReading(Param::Mac, mac);
}

} // namespace

PooledIdentities::PooledIdentities(const IdentityPools& pools,
                                   const std::vector<const FoundModule*>& modules) {
    if (pools.empty())
        return;
    std::vector<std::string> macs;
    for (const FoundModule* module : modules)
        macs.push_back(MacKey(module->mac));
    std::sort(macs.begin(), macs.end());
    macs.erase(std::unique(macs.begin(), macs.end()), macs.end());
    for (std::size_t k = 0; k < macs.size(); ++k) {
        std::optional<std::uint32_t> address;
        if (pools.givesAddress())
            address = pools.addressAt(k);
        values_.emplace(macs[k],
                        pools.valuesFor(pools.firstNumber() + static_cast<unsigned>(k), macs[k], address));
    }
}

std::vector<Value> PooledIdentities::wanted(const Profile& profile, const IdentityTable* table,
                                            const FoundModule* module) const {
    const IdentityRow* row = table != nullptr && module != nullptr ? table->find(module->mac) : nullptr;
    std::vector<Value> pooled;
    if (module != nullptr) {
        if (const auto it = values_.find(MacKey(module->mac)); it != values_.end())
            pooled = it->second;
    }
    return WantedValues(profile, row, pooled);
}

void PooledIdentities::refuseOneAddressTwice(const Profile& profile, const IdentityTable* table,
                                             const std::vector<const FoundModule*>& modules) const {
    if (values_.empty())
        return;
    std::unordered_map<std::string, const FoundModule*> holder;
    for (const FoundModule* module : modules) {
        for (const Value& value : wanted(profile, table, module)) {
            if (value.param != Param::Ip)
                continue;
            const auto [it, added] = holder.emplace(value.text, module);
            if (!added && MacKey(it->second->mac) != MacKey(module->mac))
                throw InputError("ip=" + value.text + " would go to both " + it->second->mac + " and " +
                                 module->mac);
        }
    }
}

} // namespace lumiq::fleet
