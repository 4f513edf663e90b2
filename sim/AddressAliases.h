#pragma once
// Each simulated module sends from its own IPv4 address, so each address
// must be one of the host's: an alias (/32) on the LAN adapter. Added with
// one "ip -batch" run at start and one for each later batch (modules that
// take a new address at a power-up), all removed in one run at the end.

#include <string>
#include <vector>

namespace lumiq::sim {

class AddressAliases {
public:
    // Adds those of `addresses` (dotted) that `device` does not hold yet.
    // Throws when the adapter is missing or "ip" fails.
    AddressAliases(std::string device, const std::vector<std::string>& addresses);
    // Removes exactly the aliases this object added.
    ~AddressAliases();
    // Adds those of `addresses` that the adapter does not hold yet. Throws
    // when "ip" fails, having taken back what it added of this batch.
    void add(const std::vector<std::string>& addresses);
    AddressAliases(const AddressAliases&) = delete;
    AddressAliases& operator=(const AddressAliases&) = delete;

private:
    std::string device_;
    std::vector<std::string> added_;
};

} // namespace lumiq::sim
