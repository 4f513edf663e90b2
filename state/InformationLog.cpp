#include "state/InformationLog.h"

#include <filesystem>

#include "state/AtomicFile.h"
#include "state/UserFolders.h"

namespace lumiq {

std::string InformationLogPath() {
    const std::string folder = XdgProgramFolder("XDG_STATE_HOME", ".local/state");
    return folder.empty() ? std::string() : JoinPath(folder, "information.log");
}

bool KeepInformationLog(std::string_view utf8) noexcept {
    try {
        const std::string path = InformationLogPath();
        if (path.empty() || !MakeFolders(std::filesystem::path(path).parent_path().string()))
            return false;
        ReplaceFileContents(path, utf8);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace lumiq
