#pragma once
// The window's language. Its texts are written in Chinese, which stays the
// default whatever the system's locale is; English is a translation a
// technician may choose. The choice is kept for the next start in
// language.ini of the user's configuration folder, beside adapter.ini.

#include <optional>
#include <string>
#include <string_view>

namespace lumiq {

enum class UiLanguage : unsigned char { Chinese, English };

inline constexpr const char* kLanguageChoiceFile = "language.ini";

// "zh" or "en" (letter case and a region such as "en_US" aside); nothing for
// any other text.
std::optional<UiLanguage> LanguageNamed(std::string_view name);

// The stored choice; Chinese when the file or its value is missing or unknown.
UiLanguage LoadLanguageChoice(const std::string& configFolder);

// Stores the choice, making the folder when needed. Throws
// std::runtime_error "Unable to write to <path>" when it cannot.
void SaveLanguageChoice(const std::string& configFolder, UiLanguage language);

} // namespace lumiq
