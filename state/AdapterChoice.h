#pragma once
// The window's choice in 通讯方式 > 网卡: which adapters a search goes out
// on. It is kept for the next start in a file of its own, adapter.ini in the
// user's configuration folder, so that CFG.ini keeps its twelve keys.

#include <string>

namespace lumiq {

enum class AdapterMode : unsigned char {
    Automatic, // 自动: the adapter of LocalIp, as the kernel routes the limited broadcast
    Every,     // 全部网卡
    One,       // the adapter `name` with the address `address`
};

struct AdapterChoice {
    AdapterMode mode = AdapterMode::Automatic;
    std::string name;    // "eth0"
    std::string address; // dotted, "192.168.1.10"
};

inline constexpr const char* kAdapterChoiceFile = "adapter.ini";

// The stored choice; 自动 when the file, or a value it needs, is missing or
// unknown.
AdapterChoice LoadAdapterChoice(const std::string& configFolder);

// Stores the choice, making the folder when needed. Throws
// std::runtime_error "Unable to write to <path>" when it cannot.
void SaveAdapterChoice(const std::string& configFolder, const AdapterChoice& choice);

} // namespace lumiq
