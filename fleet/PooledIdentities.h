#pragma once
// What each module found is to hold when the identity pools serve modules
// that have answered already (`lumiq apply --assign`, the window's batch
// dialog): the k-th module by MAC text gets number first+k and the k-th
// address of the ip pool, so that the same run on the same modules gives
// the same. Over them go the shared values and the identity table's row.

#include <string>
#include <unordered_map>
#include <vector>

#include "device/ValueRules.h"
#include "fleet/IdentityPools.h"
#include "fleet/ModuleSearch.h"
#include "fleet/PreparedSettings.h"

namespace lumiq::fleet {

class PooledIdentities {
public:
    PooledIdentities() = default;
    // Every value of the pools for `modules`, each checked. Throws InputError
    // (PoolExhausted for a pool too small) naming the assignment, the value
    // and its rule.
    PooledIdentities(const IdentityPools& pools, const std::vector<const FoundModule*>& modules);

    bool empty() const { return values_.empty(); }

    // The profile, then the pools' values, then the module's row of the
    // identity table. `module` null: the profile alone.
    std::vector<Value> wanted(const Profile& profile, const IdentityTable* table,
                              const FoundModule* module) const;

    // Refuses a pool's address that an identity table's row gives another
    // of `modules`. Throws InputError naming the address and both MACs.
    void refuseOneAddressTwice(const Profile& profile, const IdentityTable* table,
                               const std::vector<const FoundModule*>& modules) const;

private:
    std::unordered_map<std::string, std::vector<Value>> values_; // by canonical MAC text
};

} // namespace lumiq::fleet
