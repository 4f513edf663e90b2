// The app tests need one application object for the whole run; it is the
// program's own, so that its last-resort exception catch is tested too.
#include <gtest/gtest.h>

#include "app/GuardedApplication.h"

int main(int argc, char** argv) {
    lumiq::GuardedApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
