#include "state/ProgramFolder.h"

#include <climits>
#include <unistd.h>

namespace lumiq {

std::string ProgramFolder() {
    char exe[PATH_MAX];
    const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (length <= 0)
        return {};
    const std::string path(exe, static_cast<std::size_t>(length));
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

} // namespace lumiq
