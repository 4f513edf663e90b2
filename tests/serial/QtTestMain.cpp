// GoogleTest entry with a Qt application object: the port hands events over
// through the Qt event loop, and the dialog needs a QApplication.
// The texts under test are the quoted ones, whatever the machine's language.

#include <gtest/gtest.h>

#include <cstdlib>

#ifdef LUMIQ_TEST_WIDGETS
#include <QApplication>
using TestApplication = QApplication;
#else
#include <QCoreApplication>
using TestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::setenv("LANG", "C", 1);
    ::unsetenv("LC_ALL");
    ::unsetenv("LC_MESSAGES");
    ::unsetenv("LANGUAGE");
    TestApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
