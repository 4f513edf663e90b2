#include "doctor/AdapterCheck.h"

#include <net/if.h>

#include <algorithm>

#include "net/HostAddress.h"
#include "net/TcmSocket.h"
#include "state/AddressText.h"

namespace lumiq::doctor {
namespace {

bool Usable(const Adapter& adapter) {
    return adapter.up && !adapter.loopback && adapter.canBroadcast;
}

std::string Describe(const Adapter& adapter) {
    std::string text = adapter.name + " " + IpToText(adapter.address) + "/" + std::to_string(adapter.prefix);
    if (adapter.broadcast != 0)
        text += " broadcast " + IpToText(adapter.broadcast);
    if (!adapter.up)
        text += ", down";
    if (adapter.up && !adapter.canBroadcast)
        text += ", cannot broadcast (not searched)";
    return text;
}

const Adapter* Holding(const std::vector<Adapter>& adapters, std::uint32_t address) {
    const auto found = std::find_if(adapters.begin(), adapters.end(),
                                    [&](const Adapter& adapter) { return adapter.address == address; });
    return found == adapters.end() ? nullptr : &*found;
}

// Bringing up an adapter that has an address is the one remedy known for
// sure; without one, the address must come from whoever runs the LAN.
std::string RemedyForNoAdapter(const std::vector<Adapter>& adapters,
                               const std::vector<std::string>& withoutIpv4) {
    for (const Adapter& adapter : adapters)
        if (!adapter.loopback && !adapter.up)
            return "sudo ip link set dev " + adapter.name + " up";
    const std::string name = withoutIpv4.empty() ? std::string("eth0") : withoutIpv4.front();
    return "sudo ip address add ADDRESS/24 dev " + name + "   # ADDRESS: a free address on the modules' LAN";
}

// Debian's installer writes "127.0.1.1 <host name>": that line can be
// rewritten in place; any other entry is left to an editor. Which adapter the
// modules are on only the operator knows, so the address is named, not chosen.
std::string HostsRemedy(std::optional<std::uint32_t> resolved, const std::string& hostName,
                        const std::vector<Adapter>& adapters) {
    std::string choices;
    for (const Adapter& adapter : adapters)
        if (Usable(adapter))
            choices += (choices.empty() ? "" : ", ") + IpToText(adapter.address) + " (" + adapter.name + ")";
    const std::string address = "ADDRESS: that of the modules' adapter, one of " + choices;
    if (resolved && IpToText(*resolved) == "127.0.1.1")
        return "sudo sed -i 's/^127\\.0\\.1\\.1[[:space:]].*/ADDRESS " + hostName + "/' /etc/hosts   # " +
               address;
    return "sudoedit /etc/hosts   # the first line naming " + hostName + ": \"ADDRESS " + hostName + "\"; " +
           address;
}

} // namespace

Finding CheckAdapters(const std::vector<Adapter>& adapters, const std::vector<std::string>& withoutIpv4) {
    Finding finding{"adapters"};
    int usable = 0;
    for (const Adapter& adapter : adapters) {
        if (adapter.loopback)
            continue;
        usable += Usable(adapter) ? 1 : 0;
        finding.details.push_back(Describe(adapter));
    }
    for (const std::string& name : withoutIpv4)
        finding.details.push_back(name + ": no IPv4 address");
    if (usable > 0) {
        finding.summary = std::to_string(usable) + (usable == 1 ? " adapter is" : " adapters are") +
                          " up with an IPv4 address and broadcast";
        return finding;
    }
    finding.verdict = Verdict::Problem;
    finding.summary = "no adapter is up with an IPv4 address and broadcast: no module can be reached";
    finding.remedy = RemedyForNoAdapter(adapters, withoutIpv4);
    return finding;
}

Finding CheckHostName(const std::string& hostName, std::optional<std::uint32_t> resolved,
                      const std::vector<Adapter>& adapters) {
    Finding finding{"host name"};
    const std::string resolvedText = resolved ? IpToText(*resolved) : std::string();
    std::string how = "\"" + hostName + "\" ";
    if (!resolved)
        how += "does not resolve";
    else
        how += "resolves to " + resolvedText + (resolvedText.rfind("127.", 0) == 0 ? " (loopback)" : "");

    const std::uint32_t chosen = ChooseLocalAddress(resolved.value_or(0), adapters);
    const Adapter* taken = Holding(adapters, chosen);
    if (taken == nullptr || !Usable(*taken)) {
        finding.verdict = Verdict::Problem;
        finding.summary = how + "; 自动 would take " + IpToText(chosen) +
                          (taken == nullptr || taken->loopback ? "" : " on " + Describe(*taken)) +
                          ", which reaches no module";
        if (taken != nullptr && !taken->loopback && !taken->up)
            finding.remedy = "sudo ip link set dev " + taken->name + " up";
        else
            finding.remedy = RemedyForNoAdapter(adapters, {});
        return finding;
    }
    if (resolved && *resolved == chosen) {
        finding.summary = how + ": 自动 takes " + taken->name + " " + IpToText(chosen);
        return finding;
    }
    std::vector<std::string> others;
    for (const Adapter& adapter : adapters)
        if (Usable(adapter) && adapter.index != taken->index)
            others.push_back(adapter.name);
    finding.summary =
        how + "; 自动 takes the first adapter that can broadcast, " + taken->name + " " + IpToText(chosen);
    if (others.empty())
        return finding;
    finding.verdict = Verdict::Warning;
    std::string names;
    for (const std::string& name : others)
        names += (names.empty() ? "" : ", ") + name;
    finding.details.push_back(
        "the window searches on " + taken->name + " only: modules on " + names +
        " are found by lumiq, not by the window; point the host name at the modules' adapter");
    finding.remedy = HostsRemedy(resolved, hostName, adapters);
    return finding;
}

std::vector<Finding> CheckHostAdapters() {
    const std::vector<Adapter> adapters = ListAdaptersWithLoopback();
    std::vector<std::string> withoutIpv4;
    if (struct if_nameindex* names = if_nameindex()) {
        for (const struct if_nameindex* name = names; name->if_index != 0; ++name) {
            const bool held = std::any_of(adapters.begin(), adapters.end(), [&](const Adapter& adapter) {
                return adapter.index == name->if_index;
            });
            if (!held && std::string(name->if_name) != "lo")
                withoutIpv4.push_back(name->if_name);
        }
        if_freenameindex(names);
    }
    const std::string hostName = TcmSocket::HostName();
    return {CheckAdapters(adapters, withoutIpv4),
            CheckHostName(hostName, ResolveFirstIpv4(hostName), adapters)};
}

} // namespace lumiq::doctor
