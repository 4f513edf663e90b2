#include "doctor/SerialCheck.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <map>

#include "serial/ComPortEnum.h"
#include "serial/EComPort.h"

namespace lumiq::doctor {
namespace {

constexpr const char* kStableFolder = "/dev/serial/by-id";

std::map<std::string, std::string> StableNames() {
    std::map<std::string, std::string> names;
    std::error_code error;
    for (const auto& link : std::filesystem::directory_iterator(kStableFolder, error)) {
        std::error_code unresolved;
        const std::filesystem::path device = std::filesystem::canonical(link.path(), unresolved);
        if (!unresolved)
            names.emplace(device.string(), link.path().string());
    }
    return names;
}

bool ListedInGroup(const std::string& user, gid_t gid) {
    const passwd* account = getpwnam(user.c_str());
    if (account != nullptr && account->pw_gid == gid)
        return true;
    const group* entry = getgrgid(gid);
    if (entry == nullptr)
        return false;
    for (char* const* member = entry->gr_mem; member != nullptr && *member != nullptr; ++member)
        if (user == *member)
            return true;
    return false;
}

PortAccess AccessOf(const std::string& port, const std::map<std::string, std::string>& stable,
                    const std::string& user) {
    PortAccess access;
    access.port = port;
    access.path = port.find('/') == std::string::npos ? "/dev/" + port : port;
    std::error_code error;
    const std::string device = std::filesystem::canonical(access.path, error).string();
    if (const auto found = stable.find(error ? access.path : device); found != stable.end())
        access.stableName = found->second;
    access.mayOpen = ::access(access.path.c_str(), R_OK | W_OK) == 0;
    struct stat info {};
    if (::stat(access.path.c_str(), &info) != 0)
        return access;
    const group* entry = getgrgid(info.st_gid);
    access.group = entry != nullptr ? entry->gr_name : std::to_string(info.st_gid);
    access.groupGrants = (info.st_mode & (S_IRGRP | S_IWGRP)) == (S_IRGRP | S_IWGRP);
    access.listedInGroup = ListedInGroup(user, info.st_gid);
    return access;
}

std::string UserName() {
    const passwd* account = getpwuid(geteuid());
    return account != nullptr ? account->pw_name : std::to_string(geteuid());
}

// The group's members get in once they log in again; others are given the
// device itself.
std::string RemedyFor(const PortAccess& port, const std::string& user) {
    if (port.groupGrants && port.listedInGroup)
        return "newgrp " + port.group + "   # or log out and in again: " + user + " is in " + port.group +
               " since this session began";
    if (port.groupGrants)
        return "sudo adduser " + user + " " + port.group + "   # then log out and in again";
    return "sudo chown " + user + " " + port.path;
}

} // namespace

Finding CheckSerialPorts(const std::vector<PortAccess>& ports, const std::string& user) {
    Finding finding{"serial ports"};
    if (ports.empty()) {
        finding.summary = "no serial port found (the network needs none)";
        return finding;
    }
    int refused = 0;
    for (const PortAccess& port : ports) {
        std::string line = port.port;
        if (!port.stableName.empty())
            line += " = " + port.stableName;
        if (port.mayOpen) {
            line += ": " + user + " may open it";
        } else {
            ++refused;
            line += ": " + user + " may not open it" +
                    (port.group.empty() ? std::string() : " (group " + port.group + ")") + "; " +
                    RemedyFor(port, user);
            if (finding.remedy.empty())
                finding.remedy = RemedyFor(port, user);
        }
        finding.details.push_back(line);
    }
    finding.summary = std::to_string(ports.size()) + (ports.size() == 1 ? " port" : " ports") +
                      (refused == 0 ? ", all of them open to " + user
                                    : ", " + std::to_string(refused) + " closed to " + user);
    if (refused > 0)
        finding.verdict = Verdict::Problem;
    return finding;
}

Finding CheckSerial() {
    std::vector<std::string> names;
    try {
        EnumComPorts(names);
    } catch (const EComPort& error) {
        return Finding{"serial ports", Verdict::Warning, ComFailureInSystemWords(error, "")};
    }
    const std::string user = UserName();
    const std::map<std::string, std::string> stable = StableNames();
    std::vector<PortAccess> ports;
    for (const std::string& name : names)
        ports.push_back(AccessOf(name, stable, user));
    return CheckSerialPorts(ports, user);
}

} // namespace lumiq::doctor
