#pragma once
// The one window-wide state record. Everything the main window's parts share
// lives here: the module registry, this computer's addresses, the selection,
// the current link, the transaction code and two of the engine's flags, and
// the settings file's key names. It is read and written on the GUI thread
// only, so it needs no lock.

#include <array>
#include <cstdint>
#include <string>

namespace lumiq {

// The link every command travels over.
enum class LinkMode : std::uint8_t { Udp = 0, Serial = 1 };

inline constexpr int kRegistrySize = 256; // modules one search can list
inline constexpr int kSeenListSize = 512; // MAC texts remembered per search

// PendingCommand at start: no transaction, replies are ignored.
inline constexpr std::uint16_t kNoTransaction = 100;
// PendingCommand while a search is open: only then are replies registered.
inline constexpr std::uint16_t kSearchOpen = 0;

struct ToolState {
    ToolState();

    // Registry entries 0 .. ModuleCount - 1 are valid. MAC texts are the raw
    // bytes a module wrote in its reply header (normally 17 ASCII characters).
    std::array<std::uint32_t, kRegistrySize> ModuleIp{}; // network order
    std::array<std::uint16_t, kRegistrySize> ModulePort{};
    std::array<std::string, kRegistrySize> ModuleMac{};
    // The interface index each entry's reply arrived on, when the search went
    // out on adapters the operator chose; 0 after a search as 自动, whose
    // frames all leave as the kernel routes the limited broadcast.
    std::array<unsigned, kRegistrySize> ModuleAdapter{};
    int ModuleCount = 0;

    std::uint32_t LocalIp = 0; // network order; datagrams from it are our own
    std::uint16_t PendingCommand = kNoTransaction;
    int SelectedModule = -1;
    std::uint8_t TimeoutArmed = 0; // cleared by every datagram from another host
    lumiq::LinkMode LinkMode = lumiq::LinkMode::Udp;
    std::uint8_t OneKeyWrite = 0;

    std::uint8_t SingleQuery = 0;
    std::string LocalIpText;
    std::string LocalMacText;                        // lower-case "xx:xx:xx:xx:xx:xx", or empty
    std::string SelectedMacText;                     // target MAC of every UDP envelope
    std::array<std::string, kSeenListSize> SeenMacs; // MAC texts since the last search
};

} // namespace lumiq
