#pragma once
// The "cport" message catalogs (GNU gettext): translations of the port's
// failure texts and of the setup dialog's captions.

#include <string>

namespace lumiq {

// Call once at program start, on the main thread, before any port is opened
// and before other threads run (it may set LC_MESSAGES and LANGUAGE).
// Catalogs are looked up in programDir + "/locale" when that folder exists,
// else in the installed tree relative to programDir (../share/locale), else
// under the configured install prefix. The language comes from LC_ALL, LC_MESSAGES
// or LANG, also when that locale is not installed on this machine.
void InitComPortCatalog(const std::string& programDir);

// The translation of msgid in the "cport" domain; msgid itself when there is
// none. The pointer lives as long as the program.
const char* CPortTextPointer(const char* msgid);
std::string CPortText(const char* msgid);

} // namespace lumiq
