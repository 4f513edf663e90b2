#include "state/ModuleRegistry.h"

#include "base/GbkText.h"
#include "state/AddressText.h"

namespace lumiq {

namespace {

constexpr const char* kValueGap = "      "; // six blanks between two values

bool IsValidEntry(const ToolState& state, int index) {
    return index >= 0 && index < state.ModuleCount;
}

// The warning for a new module that shares its MAC, its IP or both with
// entry `i`; empty when it shares neither.
std::string DuplicateText(const ToolState& state, int i, std::uint32_t ip, const std::string& mac,
                          const std::string& dottedIp) {
    const bool sameIp = state.ModuleIp[i] == ip;
    const bool sameMac = state.ModuleMac[i] == mac; // exact bytes: letter case counts
    if (sameIp && sameMac)
        return "两个或以上的模块MAC地址、IP地址相同，MAC地址为：" + GbkToUtf8(mac) + "，IP地址为：" +
               dottedIp + "，请通过串口功能设置";
    if (sameMac)
        return "两模块的MAC地址相同，MAC地址为：" + GbkToUtf8(mac) + "，IP地址分别为：" +
               IpToText(state.ModuleIp[i]) + kValueGap + dottedIp + "，请通过串口功能设置";
    if (sameIp)
        return "两模块的IP地址相同，IP地址为：" + dottedIp + "，MAC地址分别为：" +
               GbkToUtf8(state.ModuleMac[i]) + kValueGap + GbkToUtf8(mac);
    return {};
}

} // namespace

void ClearModules(ToolState& state) {
    state.SelectedModule = -1;
    state.ModuleCount = 0;
    state.ModuleIp.fill(0);
    state.ModuleMac.fill("0");
    state.ModuleAdapter.fill(0);
    // Ports are left as they are: only valid entries' ports are ever read.
}

std::string AddModule(ToolState& state, std::uint32_t ip, std::uint16_t port, const std::string& mac,
                      const DuplicateWarning& warn, unsigned adapter) {
    const std::string dottedIp = IpToText(ip);
    // A warning may wait for the operator in a nested event loop that
    // registers further replies (or even empties the registry), so the count
    // is read afresh at every step and nothing is held across the call.
    for (int i = 0; i < state.ModuleCount; ++i) {
        const std::string warning = DuplicateText(state, i, ip, mac, dottedIp);
        if (!warning.empty() && warn)
            warn(warning);
    }
    if (state.ModuleCount >= kRegistrySize)
        return {}; // full: compared, warned, not stored
    const int index = state.ModuleCount;
    state.ModuleIp[index] = ip;
    state.ModulePort[index] = port;
    state.ModuleMac[index] = mac;
    state.ModuleAdapter[index] = adapter;
    state.ModuleCount = index + 1;
    return EntryText(state, index);
}

bool HasEntry(const ToolState& state, std::uint32_t ip, const std::string& mac, unsigned adapter) {
    for (int i = 0; i < state.ModuleCount; ++i) {
        if (state.ModuleIp[i] == ip && state.ModuleMac[i] == mac && state.ModuleAdapter[i] == adapter)
            return true;
    }
    return false;
}

std::string EntryText(const ToolState& state, int index) {
    if (!IsValidEntry(state, index))
        return {};
    return IpToText(state.ModuleIp[index]) + ":" + GbkToUtf8(state.ModuleMac[index]);
}

std::string SelectedMac(const ToolState& state) {
    if (!IsValidEntry(state, state.SelectedModule))
        return {};
    return state.ModuleMac[state.SelectedModule];
}

unsigned SelectedAdapter(const ToolState& state) {
    return IsValidEntry(state, state.SelectedModule) ? state.ModuleAdapter[state.SelectedModule] : 0;
}

void ReplaceSelectedMac(ToolState& state, const std::string& mac) {
    if (!IsValidEntry(state, state.SelectedModule))
        return;
    state.ModuleMac[state.SelectedModule] = mac;
}

} // namespace lumiq
