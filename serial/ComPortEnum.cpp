#include "serial/ComPortEnum.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <memory>

#include "base/AsciiText.h"
#include "serial/EComPort.h"

namespace lumiq {
namespace {

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

// The 8250 driver registers every legacy port it might have (ttyS0..ttyS31);
// those without a UART report type 0 and cannot be opened usefully.
bool IsAbsentLegacyPort(const std::string& entry, const std::string& name) {
    if (name.rfind("ttyS", 0) != 0)
        return false;
    std::ifstream typeFile(entry + "/type");
    int type = -1;
    return typeFile >> type && type == 0;
}

// sysfs writes a "/" in a device name as "!" (tts!0 for /dev/tts/0); such a
// name becomes a full path, since a relative one would not open.
std::string PortNameOf(std::string name) {
    std::replace(name.begin(), name.end(), '!', '/');
    return name.find('/') == std::string::npos ? name : "/dev/" + name;
}

bool LessIgnoringCase(const std::string& a, const std::string& b) {
    return AsciiLessIgnoringCase(a, b) || (!AsciiLessIgnoringCase(b, a) && a < b);
}

std::vector<std::string> SystemPorts(const std::string& root) {
    std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(root.c_str()), ::closedir);
    if (!folder)
        throw EComPort(kComListingFailed, errno);
    std::vector<std::string> ports;
    for (;;) {
        errno = 0;
        const dirent* item = ::readdir(folder.get());
        if (item == nullptr)
            break;
        const std::string name = item->d_name;
        const std::string entry = root + "/" + name;
        if (name == "." || name == ".." || !Exists(entry + "/device") || IsAbsentLegacyPort(entry, name))
            continue;
        ports.push_back(PortNameOf(name));
    }
    if (errno != 0)
        throw EComPort(kComListingFailed, errno);
    std::sort(ports.begin(), ports.end(), LessIgnoringCase);
    return ports;
}

void AppendExtraPorts(std::vector<std::string>& ports) {
    const char* extra = std::getenv(kExtraPortsVariable);
    if (extra == nullptr)
        return;
    const std::string paths = extra;
    std::size_t start = 0;
    while (start <= paths.size()) {
        const std::size_t end = std::min(paths.find(':', start), paths.size());
        const std::string path = paths.substr(start, end - start);
        if (!path.empty() && std::find(ports.begin(), ports.end(), path) == ports.end())
            ports.push_back(path);
        start = end + 1;
    }
}

} // namespace

void EnumComPorts(std::vector<std::string>& list, const std::string& sysfsRoot) {
    std::vector<std::string> ports = SystemPorts(sysfsRoot);
    AppendExtraPorts(ports);
    list = std::move(ports);
}

} // namespace lumiq
