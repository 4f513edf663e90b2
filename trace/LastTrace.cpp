#include "trace/LastTrace.h"

#include <filesystem>
#include <fstream>
#include <system_error>

#include "state/AtomicFile.h"
#include "state/UserFolders.h"

namespace lumiq {

std::string LastTraceRecordPath() {
    const std::string folder = XdgProgramFolder("XDG_STATE_HOME", ".local/state");
    return folder.empty() ? std::string() : JoinPath(folder, "last-trace");
}

std::string LastTracePath() {
    const std::string record = LastTraceRecordPath();
    if (record.empty())
        return {};
    std::ifstream file(record);
    std::string path;
    std::getline(file, path);
    return path;
}

bool RememberLastTrace(const std::string& tracePath) {
    const std::string record = LastTraceRecordPath();
    if (record.empty() || !MakeFolders(std::filesystem::path(record).parent_path().string()))
        return false;
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(tracePath, error);
    if (error)
        return false;
    try {
        ReplaceFileContents(record, absolute.lexically_normal().string() + "\n");
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace lumiq
