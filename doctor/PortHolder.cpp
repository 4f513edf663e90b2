#include "doctor/PortHolder.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace lumiq::doctor {
namespace {

// Socket inodes bound to `port` in /proc/net/udp: "sl local rem st ... inode".
std::set<std::string> InodesOf(std::uint16_t port) {
    std::set<std::string> inodes;
    std::ifstream table("/proc/net/udp");
    std::string line;
    std::getline(table, line); // the header
    while (std::getline(table, line)) {
        std::istringstream fields(line);
        std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
        if (!(fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
              timeout >> inode))
            continue;
        const std::size_t colon = local.find(':');
        unsigned bound = 0;
        if (colon != std::string::npos && std::sscanf(local.c_str() + colon + 1, "%x", &bound) == 1 &&
            bound == port)
            inodes.insert("socket:[" + inode + "]");
    }
    return inodes;
}

std::string CommandOf(const std::filesystem::path& process) {
    std::ifstream comm(process / "comm");
    std::string name;
    std::getline(comm, name);
    return name;
}

} // namespace

std::vector<PortHolder> UdpPortHolderList(std::uint16_t port) {
    const std::set<std::string> inodes = InodesOf(port);
    std::vector<PortHolder> holders;
    if (inodes.empty())
        return holders;
    std::error_code error;
    try {
        for (const auto& process : std::filesystem::directory_iterator("/proc", error)) {
            const std::string pid = process.path().filename();
            if (!std::all_of(pid.begin(), pid.end(), [](char c) { return c >= '0' && c <= '9'; }))
                continue;
            std::error_code ignored;
            for (const auto& fd : std::filesystem::directory_iterator(process.path() / "fd", ignored)) {
                std::error_code unreadable;
                if (inodes.count(std::filesystem::read_symlink(fd.path(), unreadable).string()) == 0)
                    continue;
                holders.push_back(PortHolder{CommandOf(process.path()), std::stoi(pid)});
                break;
            }
        }
    } catch (const std::filesystem::filesystem_error&) {
        // A process that ended while it was looked at: the holders found so far.
    }
    return holders;
}

std::string UdpPortHolders(std::uint16_t port) {
    std::string holders;
    for (const PortHolder& holder : UdpPortHolderList(port))
        holders +=
            (holders.empty() ? "" : ", ") + holder.command + " (pid " + std::to_string(holder.pid) + ")";
    return holders;
}

} // namespace lumiq::doctor
