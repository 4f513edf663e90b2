// The port listing on a fake sysfs tree, with extra ports from the environment.

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "serial/ComPortEnum.h"
#include "serial/EComPort.h"

namespace lumiq {
namespace {

struct FakeTty {
    std::string name;
    bool hasDevice;
    const char* uartType; // contents of "type", or null for no such file
};

class FakeSysfs {
public:
    explicit FakeSysfs(const std::vector<FakeTty>& ttys) {
        for (const FakeTty& tty : ttys) {
            const std::string entry = Root() + "/" + tty.name;
            ::mkdir(entry.c_str(), 0755);
            if (tty.hasDevice) {
                EXPECT_EQ(::symlink("../../devices/platform/serial", (entry + "/device").c_str()), 0);
            }
            if (tty.uartType != nullptr)
                std::ofstream(entry + "/type") << tty.uartType << "\n";
        }
    }
    std::string Root() const { return folder_.path().toStdString(); }

private:
    QTemporaryDir folder_;
};

// Sets or clears an environment variable for one test.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (value != nullptr)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnvironment() { ::unsetenv(name_); }

private:
    const char* name_;
};

std::vector<std::string> List(const std::string& root) {
    std::vector<std::string> ports = {"left over"};
    EnumComPorts(ports, root);
    return ports;
}

TEST(EnumComPorts, ListsDevicesSortedWithoutRegardToCase) {
    ScopedEnvironment noExtras(kExtraPortsVariable, nullptr);
    const FakeSysfs sysfs({
        {"COM3", true, nullptr},
        {"COM1", true, nullptr},
        {"com10", true, nullptr},
        {"COM2", true, nullptr},
        {"ttyS0", true, "4"}, // a real 16550A
        {"ttyS1", true, "0"}, // registered, but no UART there
        {"ttyUSB0", true, nullptr},
        {"tty0", false, nullptr}, // a virtual console: no device
        {"ptmx", false, nullptr},
        {"tts!0", true, nullptr}, // sysfs spelling of /dev/tts/0
    });
    const std::vector<std::string> expected = {"/dev/tts/0", "COM1",  "com10",  "COM2",
                                               "COM3",       "ttyS0", "ttyUSB0"};
    EXPECT_EQ(List(sysfs.Root()), expected);
}

TEST(EnumComPorts, ExtraPortsFromTheEnvironmentFollowTheSystemPorts) {
    const FakeSysfs sysfs({{"ttyUSB0", true, nullptr}});
    const struct {
        const char* value;
        std::vector<std::string> expected;
    } cases[] = {
        {"/dev/pts/7", {"ttyUSB0", "/dev/pts/7"}},
        {"/dev/pts/9:/dev/pts/3", {"ttyUSB0", "/dev/pts/9", "/dev/pts/3"}},
        {":/dev/pts/3::/dev/pts/3:", {"ttyUSB0", "/dev/pts/3"}},
        {"", {"ttyUSB0"}},
    };
    for (const auto& c : cases) {
        ScopedEnvironment extras(kExtraPortsVariable, c.value);
        EXPECT_EQ(List(sysfs.Root()), c.expected) << "'" << c.value << "'";
    }
}

TEST(EnumComPorts, AnEmptyListingGivesAnEmptyList) {
    ScopedEnvironment noExtras(kExtraPortsVariable, nullptr);
    const FakeSysfs sysfs({});
    EXPECT_TRUE(List(sysfs.Root()).empty());
}

TEST(EnumComPorts, AListingThatCannotBeReadRaisesCode23AndKeepsTheList) {
    std::vector<std::string> ports = {"kept"};
    try {
        EnumComPorts(ports, "/nonexistent/lumiq/sys/class/tty");
        FAIL() << "no failure";
    } catch (const EComPort& failure) {
        EXPECT_EQ(failure.FailureCode(), kComListingFailed);
        EXPECT_EQ(failure.SystemError(), ENOENT);
        EXPECT_STREQ(failure.what(), "Registry error (win error code: 2)");
    }
    EXPECT_EQ(ports, std::vector<std::string>{"kept"});
}

TEST(EnumComPorts, TheRealListingNamesPortsThatOpenTakes) {
    std::vector<std::string> ports;
    EnumComPorts(ports);
    for (const std::string& port : ports)
        EXPECT_TRUE(port.find('/') == std::string::npos || port.rfind("/dev/", 0) == 0) << port;
}

} // namespace
} // namespace lumiq
