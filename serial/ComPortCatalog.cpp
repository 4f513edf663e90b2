#include "serial/ComPortCatalog.h"

#include <libintl.h>
#include <sys/stat.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "serial/EComPort.h"

namespace lumiq {
namespace {

constexpr const char* kTextDomain = "cport";

bool IsDirectory(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsPlainCLocale(const char* name) {
    return std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0 || std::strncmp(name, "C.", 2) == 0;
}

// The first of LC_ALL, LC_MESSAGES, LANG that is set, as POSIX orders them.
const char* RequestedMessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return nullptr;
}

// glibc's gettext translates nothing while LC_MESSAGES is "C", and setlocale
// leaves it at "C" when the requested locale (say zh_CN.UTF-8) is not
// generated on this machine, which is common. The message catalogs do not
// need that locale: glibc honours LANGUAGE in any messages locale but plain
// "C", and C.UTF-8 is built into glibc. So an operator's LANG still selects
// the catalog.
void FollowRequestedLanguage() {
    const char* requested = RequestedMessagesLocale();
    if (requested == nullptr || IsPlainCLocale(requested))
        return;
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (current != nullptr && !IsPlainCLocale(current))
        return; // the program set an installed locale already
    if (std::setlocale(LC_MESSAGES, "") != nullptr)
        return; // installed, the program just had not asked for it
    if (std::setlocale(LC_MESSAGES, "C.UTF-8") == nullptr)
        return;
    const char* language = std::getenv("LANGUAGE");
    if (language == nullptr || *language == '\0')
        ::setenv("LANGUAGE", requested, 1);
}

// Beside the program (the build tree), then where an installation puts them
// relative to the program, which holds for any prefix the tree was installed
// to (a package's /usr, cmake --install --prefix), then the configured prefix.
std::string CatalogFolder(const std::string& programDir) {
    if (!programDir.empty()) {
        const std::string beside = programDir + "/locale";
        const std::string installed = programDir + "/" LUMIQ_LOCALEDIR_FROM_BINDIR;
        for (const std::string& candidate : {beside, installed})
            if (IsDirectory(candidate))
                return candidate;
    }
    return LUMIQ_INSTALL_LOCALEDIR;
}

} // namespace

void InitComPortCatalog(const std::string& programDir) {
    const std::string folder = CatalogFolder(programDir);
    FollowRequestedLanguage();
    ::bindtextdomain(kTextDomain, folder.c_str());
    // Qt and our callers take UTF-8, whatever the locale's own codeset.
    ::bind_textdomain_codeset(kTextDomain, "UTF-8");
    TranslateComFailureTexts();
}

const char* CPortTextPointer(const char* msgid) {
    return ::dgettext(kTextDomain, msgid);
}

std::string CPortText(const char* msgid) {
    return CPortTextPointer(msgid);
}

} // namespace lumiq
