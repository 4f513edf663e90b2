#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <stdexcept>

#include "state/IniFile.h"
#include "tests/state/TempFolder.h"

namespace lumiq {
namespace {

using testfs::ReadBytes;
using testfs::TempFolder;
using testfs::WriteBytes;

class IniFileTest : public ::testing::Test {
protected:
    TempFolder folder;
    const std::string path = folder / "CFG.ini";
    IniFile ini{path};

    std::vector<std::string> FolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

struct ReadCase {
    const char* what;
    std::string contents;
    std::string section;
    std::string key;
    std::string expected; // "<default>" when the key must not be found
};

TEST_F(IniFileTest, ReadsAsTheWindowsProfileFunctionsDo) {
    const ReadCase cases[] = {
        {"plain", "[CFG]\nModel=2\n", "CFG", "Model", "2"},
        {"names ignore letter case", "[cfg]\nMODEL=2\n", "CFG", "model", "2"},
        {"blanks around key and value dropped", "[CFG]\n  Model \t=  2 3 \t\n", "CFG", "Model", "2 3"},
        {"blanks inside the brackets dropped", "  [ CFG ]  \nIP=1.2.3.4\n", "CFG", "IP", "1.2.3.4"},
        {"empty value", "[CFG]\nMAC=\n", "CFG", "MAC", ""},
        {"value holding =", "[CFG]\nName=a=b\n", "CFG", "Name", "a=b"},
        {"CRLF lines", "[CFG]\r\nModel=3\r\nIP=1.2.3.4\r\n", "CFG", "IP", "1.2.3.4"},
        {"no line end at the end", "[CFG]\nIP=1.2.3.4", "CFG", "IP", "1.2.3.4"},
        {"first of two keys", "[CFG]\nIP=1\nip=2\n", "CFG", "IP", "1"},
        {"first of two sections", "[CFG]\nIP=1\n[CFG]\nIP=2\n", "CFG", "IP", "1"},
        {"key of another section", "[Other]\nIP=1\n[CFG]\nModel=0\n", "CFG", "IP", "<default>"},
        {"key before any section", "IP=1\n[CFG]\n", "CFG", "IP", "<default>"},
        {"commented out", "[CFG]\n;IP=1\n", "CFG", "IP", "<default>"},
        {"no such section", "[Other]\nIP=1\n", "CFG", "IP", "<default>"},
        {"section name is not a prefix", "[CFG2]\nIP=1\n", "CFG", "IP", "<default>"},
        {"key name is not a prefix", "[CFG]\nIPX=1\n", "CFG", "IP", "<default>"},
        {"empty file", "", "CFG", "IP", "<default>"},
    };
    for (const ReadCase& c : cases) {
        WriteBytes(path, c.contents);
        EXPECT_EQ(ini.ReadString(c.section, c.key, "<default>"), c.expected) << c.what;
    }
}

TEST_F(IniFileTest, MissingOrUnreadableFileGivesTheDefault) {
    EXPECT_EQ(ini.ReadString("CFG", "IP", "0"), "0");
    std::filesystem::create_directory(path); // a folder where the file should be
    EXPECT_EQ(ini.ReadString("CFG", "IP", "0"), "0");
}

TEST_F(IniFileTest, LongValuesAreCutTo2047Bytes) {
    WriteBytes(path, "[CFG]\nMAC=" + std::string(3000, 'x') + "\n");
    EXPECT_EQ(ini.ReadString("CFG", "MAC", "0"), std::string(2047, 'x'));
    WriteBytes(path, "[CFG]\nMAC=" + std::string(2047, 'y') + "\n");
    EXPECT_EQ(ini.ReadString("CFG", "MAC", "0"), std::string(2047, 'y'));
}

TEST_F(IniFileTest, WritingCreatesFileAndSection) {
    ini.WriteString("CFG", "Model", "0");
    ini.WriteString("CFG", "GateWay", "192.168.1.1");
    EXPECT_EQ(ReadBytes(path), "[CFG]\nModel=0\nGateWay=192.168.1.1\n");

    WriteBytes(path, "; prepared by hand\n[Other]\nx=1\n");
    ini.WriteString("CFG", "IP", "1.2.3.4");
    EXPECT_EQ(ReadBytes(path), "; prepared by hand\n[Other]\nx=1\n\n[CFG]\nIP=1.2.3.4\n");
}

TEST_F(IniFileTest, WritingKeepsEveryOtherLine) {
    const std::string before = "; settings\n"
                               "[First]\n"
                               "IP=9.9.9.9\n"
                               "\n"
                               "[cfg]\n"
                               "  model = 1\n"
                               "; the gateway\n"
                               "GateWay=192.168.1.1\n"
                               "garbage line\n"
                               "\n"
                               "[Last]\n"
                               "k=v\n";
    WriteBytes(path, before);

    // The value is replaced on its own line, which keeps its key's spelling.
    ini.WriteString("CFG", "Model", "3");
    EXPECT_EQ(ReadBytes(path), "; settings\n[First]\nIP=9.9.9.9\n\n[cfg]\nmodel=3\n; the gateway\n"
                               "GateWay=192.168.1.1\ngarbage line\n\n[Last]\nk=v\n");

    // A new key goes after the section's last line, before the blank line.
    ini.WriteString("CFG", "IP", "1.2.3.4");
    EXPECT_EQ(ReadBytes(path), "; settings\n[First]\nIP=9.9.9.9\n\n[cfg]\nmodel=3\n; the gateway\n"
                               "GateWay=192.168.1.1\ngarbage line\nIP=1.2.3.4\n\n[Last]\nk=v\n");
    EXPECT_EQ(ini.ReadString("First", "IP", "0"), "9.9.9.9");
    EXPECT_EQ(ini.ReadString("CFG", "IP", "0"), "1.2.3.4");
}

TEST_F(IniFileTest, RewritingKeepsTheFilesLineEnds) {
    WriteBytes(path, "[CFG]\r\nModel=1\r\n[Other]\r\nx=1\r\n");
    ini.WriteString("CFG", "Model", "2");
    ini.WriteString("CFG", "IP", "1.2.3.4");
    EXPECT_EQ(ReadBytes(path), "[CFG]\r\nModel=2\r\nIP=1.2.3.4\r\n[Other]\r\nx=1\r\n");

    WriteBytes(path, "[CFG]\nModel=1");
    ini.WriteString("CFG", "Model", "2");
    EXPECT_EQ(ReadBytes(path), "[CFG]\nModel=2\n");
}

TEST_F(IniFileTest, RefusesLinesThatWouldChangeOtherKeys) {
    WriteBytes(path, "[CFG]\nIP=1.2.3.4\n");
    EXPECT_THROW(ini.WriteString("CFG", "MAC", "x\n[CFG]\nIP=6.6.6.6"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("CFG", "MAC", "x\ry"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("CFG", "IP=", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("CFG", "", "1"), std::invalid_argument);
    EXPECT_THROW(ini.WriteString("C]FG", "IP", "1"), std::invalid_argument);
    // Several values are written all together or not at all.
    EXPECT_THROW(ini.WriteStrings("CFG", {{"IP", "6.6.6.6"}, {"MAC", "x\ny"}}), std::invalid_argument);
    EXPECT_EQ(ReadBytes(path), "[CFG]\nIP=1.2.3.4\n");
}

TEST_F(IniFileTest, FailureSaysWhichFileCouldNotBeWritten) {
    // A regular file standing where a folder should be fails for root too.
    WriteBytes(folder / "plain", "x");
    const IniFile below(folder / "plain/CFG.ini");
    try {
        below.WriteString("CFG", "IP", "1");
        FAIL() << "no exception";
    } catch (const std::runtime_error& error) {
        EXPECT_EQ(std::string(error.what()), "Unable to write to " + folder / "plain/CFG.ini");
    }

    // A file that cannot be read is not replaced: its lines would be lost.
    std::filesystem::create_directory(path);
    EXPECT_THROW(ini.WriteString("CFG", "IP", "1"), std::runtime_error);
    EXPECT_TRUE(std::filesystem::is_directory(path));
}

TEST_F(IniFileTest, ReplacingKeepsLinkPermissionsAndLeavesNoTemporaryFile) {
    const std::string target = folder / "real.ini";
    WriteBytes(target, "[CFG]\nIP=1\n");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    ASSERT_EQ(symlink("real.ini", path.c_str()), 0);

    ini.WriteString("CFG", "IP", "2");

    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(ReadBytes(target), "[CFG]\nIP=2\n");
    struct stat st {};
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(FolderEntries(), (std::vector<std::string>{"CFG.ini", "real.ini"}));
}

} // namespace
} // namespace lumiq
