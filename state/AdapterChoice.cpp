#include "state/AdapterChoice.h"

#include <stdexcept>

#include "state/IniFile.h"
#include "state/UserFolders.h"

namespace lumiq {
namespace {

constexpr const char* kSection = "adapter";
constexpr const char* kModeAutomatic = "auto";
constexpr const char* kModeEvery = "all";
constexpr const char* kModeOne = "one";

} // namespace

AdapterChoice LoadAdapterChoice(const std::string& configFolder) {
    if (configFolder.empty())
        return {};
    const IniFile file(JoinPath(configFolder, kAdapterChoiceFile));
    const std::string mode = file.ReadString(kSection, "choice", kModeAutomatic);
    AdapterChoice choice;
    if (mode == kModeEvery) {
        choice.mode = AdapterMode::Every;
    } else if (mode == kModeOne) {
        choice.name = file.ReadString(kSection, "name", "");
        choice.address = file.ReadString(kSection, "address", "");
        if (!choice.name.empty())
            choice.mode = AdapterMode::One;
    }
    return choice;
}

void SaveAdapterChoice(const std::string& configFolder, const AdapterChoice& choice) {
    const std::string path = JoinPath(configFolder, kAdapterChoiceFile);
    if (configFolder.empty() || !MakeFolders(configFolder))
        throw std::runtime_error("Unable to write to " + path);
    const char* mode = choice.mode == AdapterMode::Every ? kModeEvery
                       : choice.mode == AdapterMode::One ? kModeOne
                                                         : kModeAutomatic;
    IniFile(path).WriteStrings(kSection,
                               {{"choice", mode}, {"name", choice.name}, {"address", choice.address}});
}

} // namespace lumiq
