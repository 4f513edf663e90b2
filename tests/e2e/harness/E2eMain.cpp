// One application object for the whole run, made the way the program makes
// it: the serial catalogs and setup dialog first, then the guarded
// application with its last-resort exception catch.
#include <gtest/gtest.h>

#include "app/GuardedApplication.h"
#include "serial/ui/ComSetupFrm.h"
#include "state/ProgramFolder.h"

int main(int argc, char** argv) {
    lumiq::InitComPortUi(lumiq::ProgramFolder());
    lumiq::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
