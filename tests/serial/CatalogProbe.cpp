// Starts the way the program does (a Qt application, then the catalog init
// with the program's own folder) and prints a failure text and a dialog
// caption, so that tests can run it under different languages.

#include <QCoreApplication>

#include <cstdio>

#include "serial/ComPortCatalog.h"
#include "serial/EComPort.h"

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    lumiq::InitComPortCatalog(QCoreApplication::applicationDirPath().toStdString());
    std::printf("%s\n%s\n", lumiq::EComPort(lumiq::kComOpenFailed, 2).what(),
                lumiq::CPortText("Setup").c_str());
    return 0;
}
