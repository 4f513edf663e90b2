// Saves that fail for root too: on a read-only file system and on a full
// one. The test mounts small file systems of its own, inside a private mount
// namespace it enters first, so nothing outside ever sees them.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "state/SettingsFile.h"
#include "tests/state/TempFolder.h"

namespace lumiq {
namespace {

using testfs::ReadBytes;
using testfs::TempFolder;
using testfs::WriteBytes;

// A mount namespace of this process's own whose mounts do not propagate
// back to the one it came from. Needs root and a single thread.
bool EnterPrivateMountNamespace() {
    return unshare(CLONE_NEWNS) == 0 && mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}

// The error a fresh file in `folder` meets, 0 when it can be written.
int ErrorCreatingFileIn(const std::string& folder, std::size_t bytes) {
    const std::string probe = folder + "/probe";
    const int fd = open(probe.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return errno;
    const std::string data(bytes, 'p');
    const int error = write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size()) ? 0 : errno;
    close(fd);
    unlink(probe.c_str());
    return error;
}

// A small tmpfs of the test's own, mounted on a fresh folder.
class OwnFileSystem : public ::testing::Test {
protected:
    TempFolder folder;
    std::string mountPoint = folder / "fs";
    std::string programDir = mountPoint + "/bin";
    std::string configDir = folder / "config";
    std::string path = programDir + "/CFG.ini";

    void SetUp() override {
        ASSERT_TRUE(EnterPrivateMountNamespace()) << strerror(errno);
        std::filesystem::create_directory(mountPoint);
        ASSERT_EQ(mount("lumiq-test", mountPoint.c_str(), "tmpfs", 0, "size=64k"), 0) << strerror(errno);
        std::filesystem::create_directory(programDir);
    }
    void TearDown() override { umount2(mountPoint.c_str(), MNT_DETACH); }

    void MakeReadOnly() {
        ASSERT_EQ(mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0)
            << strerror(errno);
        ASSERT_EQ(ErrorCreatingFileIn(programDir, 1), EROFS);
    }

    std::vector<std::string> ProgramFolderEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(programDir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    void ExpectSaveFails(const SettingsFile& settings, const std::string& key, const std::string& value) {
        try {
            settings.SaveSetting(key, value);
            ADD_FAILURE() << "the save succeeded";
        } catch (const std::runtime_error& error) {
            EXPECT_EQ(std::string(error.what()), "Unable to write to " + path);
        }
    }
};

TEST_F(OwnFileSystem, AFullDiskLeavesTheOldFileWhole) {
    const SettingsFile settings(programDir, configDir);
    settings.SaveSetting("IP", "192.168.1.199");
    settings.SaveSetting("MAC", "00:1a:2b:3c:4d:5e");
    const std::string before = ReadBytes(path);

    // Fill the file system to the last byte.
    const std::string filler = programDir + "/filler";
    const int fd = open(filler.c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    const std::string block(4096, 'f');
    while (write(fd, block.data(), block.size()) > 0) {
    }
    close(fd);
    ASSERT_EQ(ErrorCreatingFileIn(programDir, 8192), ENOSPC);

    // A writer that truncated the file first would lose it here.
    ExpectSaveFails(settings, "MAC", std::string(8192, 'x'));
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(ProgramFolderEntries(), (std::vector<std::string>{"CFG.ini", "filler"}));
    EXPECT_EQ(settings.LoadSetting("MAC"), "00:1a:2b:3c:4d:5e");
}

TEST_F(OwnFileSystem, AReadOnlyFolderLeavesTheOldFileWhole) {
    const SettingsFile settings(programDir, configDir);
    settings.SaveSetting("IP", "192.168.1.199");
    const std::string before = ReadBytes(path);
    MakeReadOnly();

    // The file exists beside the program, so it is still the one used.
    EXPECT_EQ(settings.Path(), path);
    ExpectSaveFails(settings, "IP", "10.0.0.1");
    EXPECT_EQ(ReadBytes(path), before);
    EXPECT_EQ(settings.LoadSetting("IP"), "192.168.1.199");
    EXPECT_FALSE(std::filesystem::exists(configDir));
}

TEST_F(OwnFileSystem, AReadOnlyProgramFolderWithoutAFileSendsItToTheConfigFolder) {
    MakeReadOnly();
    const SettingsFile settings(programDir, configDir);
    EXPECT_EQ(settings.Path(), configDir + "/CFG.ini");
    settings.SaveSetting("IP", "10.0.0.1");
    EXPECT_EQ(settings.LoadSetting("IP"), "10.0.0.1");
    EXPECT_EQ(ReadBytes(configDir + "/CFG.ini"), "[CFG]\nIP=10.0.0.1\n");
    EXPECT_TRUE(ProgramFolderEntries().empty());
}

} // namespace
} // namespace lumiq
