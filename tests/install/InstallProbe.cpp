// Starts the way lumiq-config does, from wherever it is copied to, and
// prints what it finds from its own folder: the "cport" catalog's caption
// for "Setup" and the path of CFG.ini.

#include <cstdio>

#include "serial/ComPortCatalog.h"
#include "state/ProgramFolder.h"
#include "state/SettingsFile.h"

int main() {
    lumiq::InitComPortCatalog(lumiq::ProgramFolder());
    std::printf("%s\n%s\n", lumiq::CPortText("Setup").c_str(),
                lumiq::SettingsFile::ForThisProgram().Path().c_str());
    return 0;
}
