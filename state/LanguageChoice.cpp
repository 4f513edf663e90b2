#include "state/LanguageChoice.h"

#include <stdexcept>

#include "base/AsciiText.h"
#include "state/IniFile.h"
#include "state/UserFolders.h"

namespace lumiq {
namespace {

constexpr const char* kSection = "window";
constexpr const char* kKey = "language";

} // namespace

std::optional<UiLanguage> LanguageNamed(std::string_view name) {
    // "en_US.UTF-8" names English as well as "en" does.
    const std::string_view language = name.substr(0, name.find_first_of("_-."));
    if (SameAsciiLetters(language, "zh"))
        return UiLanguage::Chinese;
    if (SameAsciiLetters(language, "en"))
        return UiLanguage::English;
    return std::nullopt;
}

UiLanguage LoadLanguageChoice(const std::string& configFolder) {
    if (configFolder.empty())
        return UiLanguage::Chinese;
    const IniFile file(JoinPath(configFolder, kLanguageChoiceFile));
    return LanguageNamed(file.ReadString(kSection, kKey, "zh")).value_or(UiLanguage::Chinese);
}

void SaveLanguageChoice(const std::string& configFolder, UiLanguage language) {
    const std::string path = JoinPath(configFolder, kLanguageChoiceFile);
    if (configFolder.empty() || !MakeFolders(configFolder))
        throw std::runtime_error("Unable to write to " + path);
    IniFile(path).WriteStrings(kSection, {{kKey, language == UiLanguage::English ? "en" : "zh"}});
}

} // namespace lumiq
