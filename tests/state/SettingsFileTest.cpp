#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <stdexcept>

#include "device/Parameter.h"
#include "state/SettingsFile.h"
#include "tests/state/TempFolder.h"

namespace lumiq {
namespace {

using testfs::ReadBytes;
using testfs::TempFolder;
using testfs::WriteBytes;

class SettingsFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string programDir = folder / "bin";
    const std::string configDir = folder / "config/lumiq-config";
    const std::string path = programDir + "/CFG.ini";
    SettingsFile settings{programDir, configDir};

    void SetUp() override { std::filesystem::create_directory(programDir); }
};

TEST_F(SettingsFileTest, MissingFileSectionOrKeyReadsAsZero) {
    for (const std::string_view key : SettingsKeys())
        EXPECT_EQ(settings.LoadSetting(std::string(key)), "0") << key;
    WriteBytes(path, "[Other]\nIP=1.2.3.4\n");
    EXPECT_EQ(settings.LoadSetting("IP"), "0");
    WriteBytes(path, "[CFG]\nMask=255.255.255.0\n");
    EXPECT_EQ(settings.LoadSetting("IP"), "0");
}

TEST_F(SettingsFileTest, PanelDefaultsAreWrittenOneKeyALineInKeyOrder) {
    const auto keys = SettingsKeys();
    const std::string values[] = {"0",
                                  "192.168.1.1",
                                  "192.168.0.1",
                                  "192.168.1.199",
                                  "192.168.1.100",
                                  "5000",
                                  "6000",
                                  "6",
                                  "0",
                                  "1",
                                  "0",
                                  ""};
    for (std::size_t i = 0; i < keys.size(); ++i)
        settings.SaveSetting(std::string(keys[i]), values[i]);

    EXPECT_EQ(ReadBytes(path),
              "[CFG]\nModel=0\nGateWay=192.168.1.1\nMask=192.168.0.1\nIP=192.168.1.199\nDIP=192.168.1.100\n"
              "Port=5000\nDPort=6000\nBaudRate=6\nDataBit=0\nStopBit=1\nParity=0\nMAC=\n");
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(settings.LoadSetting(std::string(keys[i])), values[i]);

    // Saving again replaces the values in place.
    settings.SaveSetting("StopBit", "3");
    settings.SaveSetting("Model", "-1");
    EXPECT_EQ(settings.LoadSetting("StopBit"), "3");
    EXPECT_EQ(settings.LoadSetting("Model"), "-1");
    EXPECT_EQ(ReadBytes(path).find("Model=-1\nGateWay="), 6u);
}

TEST_F(SettingsFileTest, ValuesAreStoredAsGbk) {
    settings.SaveSetting("MAC", "设备");
    EXPECT_EQ(ReadBytes(path), "[CFG]\nMAC=\xC9\xE8\xB1\xB8\n");
    EXPECT_EQ(settings.LoadSetting("MAC"), "设备");
    // Characters GBK lacks are stored as "?".
    settings.SaveSetting("MAC", "a😀");
    EXPECT_EQ(settings.LoadSetting("MAC"), "a?");
}

TEST_F(SettingsFileTest, ReadingDropsBlanksAndIgnoresLetterCase) {
    WriteBytes(path, "[cfg]\r\n  ip  =  1.2.3.4  \r\n");
    EXPECT_EQ(settings.LoadSetting("IP"), "1.2.3.4");
}

TEST_F(SettingsFileTest, ALongValueIsCutWithoutSplittingACharacter) {
    // 1100 Chinese characters are 2200 GBK bytes; the byte limit 2047 falls
    // inside the 1024th, which is dropped whole.
    std::string text;
    for (int i = 0; i < 1100; ++i)
        text += "设";
    settings.SaveSetting("MAC", text);
    std::string expected;
    for (int i = 0; i < 1023; ++i)
        expected += "设";
    EXPECT_EQ(settings.LoadSetting("MAC"), expected);
}

TEST_F(SettingsFileTest, AWritableProgramFolderHoldsTheFile) {
    EXPECT_EQ(settings.Path(), path);
    settings.SaveSetting("IP", "1.2.3.4");
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_FALSE(std::filesystem::exists(configDir));
}

TEST_F(SettingsFileTest, WithoutAProgramFolderTheConfigFolderIsCreatedAndUsed) {
    const SettingsFile elsewhere(folder / "missing", configDir);
    EXPECT_EQ(elsewhere.Path(), configDir + "/CFG.ini");
    EXPECT_EQ(elsewhere.LoadSetting("IP"), "0");
    elsewhere.SaveSetting("IP", "1.2.3.4");
    EXPECT_EQ(ReadBytes(configDir + "/CFG.ini"), "[CFG]\nIP=1.2.3.4\n");
    EXPECT_EQ(elsewhere.LoadSetting("IP"), "1.2.3.4");
    EXPECT_EQ(std::filesystem::status(configDir).permissions(), std::filesystem::perms::owner_all);
}

TEST_F(SettingsFileTest, FailureNamesTheFile) {
    // Regular files standing where folders should be fail for root too.
    WriteBytes(folder / "plain", "x");
    const SettingsFile blocked(folder / "plain", folder / "plain/lumiq-config");
    try {
        blocked.SaveSetting("IP", "1.2.3.4");
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + folder / "plain/lumiq-config/CFG.ini");
    }
    EXPECT_EQ(ReadBytes(folder / "plain"), "x");
}

// Sets an environment variable for the length of a scope.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsFileLocation, ConfigFolderFollowsTheXdgRules) {
    const ScopedEnv home("HOME", "/home/operator");
    struct Case {
        const char* xdg;
        const char* expected;
    };
    const Case cases[] = {
        {"/srv/conf", "/srv/conf/lumiq-config"},
        {"/srv/conf/", "/srv/conf/lumiq-config"},
        {nullptr, "/home/operator/.config/lumiq-config"},
        {"", "/home/operator/.config/lumiq-config"},
        {"relative/conf", "/home/operator/.config/lumiq-config"}, // ignored, as the rules say
    };
    for (const Case& c : cases) {
        const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(SettingsFile::UserConfigDir(), c.expected) << (c.xdg ? c.xdg : "(unset)");
    }
}

TEST(SettingsFileLocation, TheProgramFindsItsFileFromAnyWorkingFolder) {
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path("/");
    const std::string found = SettingsFile::ForThisProgram().Path();
    std::filesystem::current_path(before);
    // The test binary's folder is the build folder, which is writable.
    EXPECT_EQ(found, (exe.parent_path() / "CFG.ini").string());
}

} // namespace
} // namespace lumiq
