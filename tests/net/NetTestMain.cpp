// The socket component raises its events from Qt's notifier loop, so the
// tests need a QCoreApplication; they run that loop while they wait.

#include <gtest/gtest.h>

#include <QCoreApplication>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
