// lumiq doctor and lumiq support-bundle, the real program: every check finds
// the condition it looks for, built here in namespaces, and its remedy lets
// a sound set-up pass.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "tests/support/Netns.h"
#include "tests/support/ProgramRun.h"
#include "tests/support/simbed/SimProcess.h"

namespace lumiq {
namespace {

using nlohmann::json;
using testbed::ProgramResult;

constexpr const char* kHost = "lumiq-doctor-host";

std::string Lumiq() {
    return std::string(std::getenv("LUMIQ_BINARY_DIR")) + "/cli/lumiq";
}

// The doctor with its own host name and /etc/hosts (a private mount and
// UTS namespace), as root or as nobody.
json Doctor(const std::string& hostsFile, bool asNobody, int& exitStatus) {
    const std::string user = asNobody ? "setpriv --reuid=nobody --regid=nogroup --clear-groups " : "";
    const ProgramResult run =
        testbed::RunProgram({"/usr/bin/unshare", "-m", "-u", "--", "/bin/sh", "-c",
                             std::string("hostname ") + kHost + " && mount --bind " + hostsFile +
                                 " /etc/hosts && exec " + user + Lumiq() + " doctor --json"});
    exitStatus = run.exitStatus;
    const json document = json::parse(run.out, nullptr, false);
    EXPECT_FALSE(document.is_discarded()) << run.out << run.err;
    return document;
}

json Check(const json& document, const std::string& name) {
    for (const json& check : document.value("checks", json::array()))
        if (check.at("check") == name)
            return check;
    ADD_FAILURE() << "no check " << name << " in " << document.dump(2);
    return json{{"verdict", ""}, {"summary", ""}, {"details", json::array()}, {"remedy", ""}};
}

bool Holds(const json& check, const std::string& text) {
    return check.dump().find(text) != std::string::npos;
}

// A pseudo-terminal's device, its mode and group set; the master stays open.
std::string Pty(int& master, mode_t mode, gid_t group) {
    master = posix_openpt(O_RDWR | O_NOCTTY);
    EXPECT_GE(master, 0);
    EXPECT_EQ(grantpt(master), 0);
    EXPECT_EQ(unlockpt(master), 0);
    const std::string device = ptsname(master);
    EXPECT_EQ(chown(device.c_str(), 0, group), 0);
    EXPECT_EQ(chmod(device.c_str(), mode), 0);
    return device;
}

TEST(Doctor, FindsEachConditionAndPassesOnceTheRemediesAreApplied) {
    testbed::ScratchDir scratch;
    testbed::Namespace lan("lumiq-doctor");
    testbed::AddVeth("dr0", "10.91.0.1/24", lan, "dp0", "10.91.0.2/24");
    testbed::AddVeth("dr1", "10.92.0.1/24", lan, "dp1", "10.92.0.2/24");
    const std::string hosts = scratch.file("hosts");
    std::ofstream(hosts) << "127.0.0.1 localhost\n127.0.1.1 " << kHost << "\n";
    testbed::Run("nft add table inet filter && nft add chain inet filter input "
                 "'{ type filter hook input priority 0; policy drop; }' && "
                 "nft add rule inet filter input ct state established,related accept");
    const int holder = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    any.sin_port = htons(5000);
    ASSERT_EQ(bind(holder, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);

    int status = -1;
    const json bad = Doctor(hosts, false, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(Check(bad, "adapters").at("verdict"), "ok");
    const json hostName = Check(bad, "host name");
    EXPECT_EQ(hostName.at("verdict"), "warning");
    EXPECT_TRUE(Holds(hostName, "resolves to 127.0.1.1 (loopback)") && Holds(hostName, "sed -i")) << hostName;
    const json port = Check(bad, "udp port");
    EXPECT_EQ(port.at("verdict"), "problem");
    EXPECT_TRUE(Holds(port, "(pid " + std::to_string(getpid()) + ")")) << port;
    EXPECT_EQ(port.value("remedy", ""), "kill " + std::to_string(getpid()));
    const json nft = Check(bad, "nftables");
    EXPECT_EQ(nft.at("verdict"), "problem");
    EXPECT_TRUE(Holds(nft, "inet filter input policy drop")) << nft;
    const std::string nftRemedy = nft.value("remedy", "");
    ASSERT_EQ(nftRemedy.rfind("sudo ", 0), 0u) << nftRemedy;

    // Serial ports as a user who may open neither: one of the dialout group,
    // one that only its owner may open.
    int masters[2];
    const group* dialout = getgrnam("dialout");
    ASSERT_NE(dialout, nullptr);
    const std::string groupPort = Pty(masters[0], 0660, dialout->gr_gid);
    const std::string ownerPort = Pty(masters[1], 0600, 0);
    ::setenv("LUMIQ_SERIAL_PORTS", (groupPort + ":" + ownerPort).c_str(), 1);
    const json serial = Check(Doctor(hosts, true, status), "serial ports");
    EXPECT_EQ(serial.at("verdict"), "problem");
    EXPECT_TRUE(
        Holds(serial, groupPort + ": nobody may not open it (group dialout); sudo adduser nobody dialout"))
        << serial;
    EXPECT_TRUE(
        Holds(serial, ownerPort + ": nobody may not open it (group root); sudo chown nobody " + ownerPort))
        << serial;

    testbed::Run(nftRemedy.substr(5));
    close(holder);
    std::ofstream(hosts) << "10.92.0.1 " << kHost << "\n127.0.0.1 localhost\n";
    const json sound = Doctor(hosts, false, status);
    EXPECT_EQ(status, 0) << sound.dump(2);
    for (const json& check : sound.at("checks"))
        EXPECT_NE(check.at("verdict"), "problem") << check;
    EXPECT_EQ(Check(sound, "host name").at("verdict"), "ok");
    EXPECT_EQ(Check(sound, "nftables").at("verdict"), "ok");
    std::ofstream(scratch.file("sound.json")) << sound.dump();
    const ProgramResult schema = testbed::RunProgram(
        {"/usr/bin/python3", "-c",
         "import json, sys, jsonschema; jsonschema.validate(json.load(open(sys.argv[1])), "
         "json.load(open(sys.argv[2])))",
         scratch.file("sound.json"),
         std::string(std::getenv("LUMIQ_SOURCE_DIR")) + "/cli/lumiq-output.schema.json"});
    EXPECT_EQ(schema.exitStatus, 0) << schema.err;
    for (const int master : masters)
        close(master);
}

// Firewall tools that fail with terminal controls and bytes that are no
// UTF-8, or print without end: the doctor names each, its words escaped.
TEST(Doctor, ToolsThatFailOrFloodAreNamedWithTheirWordsEscaped) {
    testbed::ScratchDir scratch;
    std::ofstream(scratch.file("iptables")) << "#!/bin/sh\nprintf '\\033[2J\\377 gone\\n' >&2\nexit 4\n";
    std::ofstream(scratch.file("ufw")) << "#!/bin/sh\nexec yes\n";
    for (const char* tool : {"iptables", "ufw"})
        ASSERT_EQ(chmod(scratch.file(tool).c_str(), 0755), 0);
    const ProgramResult run = testbed::RunProgram(
        {"/usr/bin/env", "PATH=" + scratch.path() + ":" + std::getenv("PATH"), Lumiq(), "doctor", "--json"});
    const json document = json::parse(run.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << run.out << run.err;
    EXPECT_EQ(Check(document, "iptables").at("summary"), "not checked: iptables failed: \\x1B[2J\\xFF gone");
    EXPECT_EQ(Check(document, "ufw").at("summary"), "not checked: ufw printed more than 16 MiB");
}

TEST(SupportBundle, HoldsTheReportTheNetworkTheLastTraceAndTheLog) {
    testbed::ScratchDir scratch;
    ::setenv("XDG_STATE_HOME", scratch.path().c_str(), 1);
    ::mkdir(scratch.file("lumiq-config").c_str(), 0700);
    std::ofstream(scratch.file("run.pcap")) << "pcap bytes";
    std::ofstream(scratch.file("lumiq-config/last-trace")) << scratch.file("run.pcap") << "\n";
    std::ofstream(scratch.file("lumiq-config/information.log")) << "搜索模块\n";
    const std::string archive = scratch.file("bundle.tar.gz");

    const ProgramResult bundle = testbed::RunProgram({Lumiq(), "support-bundle", "--output", archive});
    ASSERT_EQ(bundle.exitStatus, 0) << bundle.err;
    EXPECT_EQ(bundle.out.substr(0, bundle.out.find('\n')), archive);
    const ProgramResult listing = testbed::RunProgram({"/usr/bin/tar", "-tzf", archive});
    ASSERT_EQ(listing.exitStatus, 0) << listing.err;
    for (const char* part : {"doctor.txt", "doctor.json", "ip-addr.json", "ip-route.json", "versions.txt",
                             "last-trace/run.pcap", "information.log"}) {
        EXPECT_NE(bundle.out.find(std::string("  ") + part + " "), std::string::npos) << part << "\n"
                                                                                      << bundle.out;
        EXPECT_NE(listing.out.find(std::string("/") + part + "\n"), std::string::npos) << part << "\n"
                                                                                       << listing.out;
    }
    const ProgramResult log =
        testbed::RunProgram({"/usr/bin/tar", "-xzOf", archive, "--wildcards", "*/information.log"});
    EXPECT_EQ(log.out, "搜索模块\n");
    struct stat info {};
    ASSERT_EQ(stat(archive.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

// The archive never goes through nor removes what it did not make: a device
// or a symbolic link at the output is refused and stays; a regular file
// there stays whole when the archive cannot be finished, on a full file
// system, and nothing is left beside it.
TEST(SupportBundle, LeavesWhatItDidNotMakeAsItWas) {
    testbed::ScratchDir scratch;
    // What /dev/full is, made here so that a fault cannot take the host's.
    const std::string device = scratch.file("full"), link = scratch.file("link"), kept = scratch.file("kept");
    ASSERT_EQ(mknod(device.c_str(), S_IFCHR | 0666, makedev(1, 7)), 0);
    std::ofstream(kept) << "kept";
    ASSERT_EQ(symlink(kept.c_str(), link.c_str()), 0);
    for (const std::string& output : {device, link}) {
        const ProgramResult refused = testbed::RunProgram({Lumiq(), "support-bundle", "--output", output});
        EXPECT_EQ(refused.exitStatus, 2) << refused.err;
        EXPECT_EQ(refused.err.rfind("lumiq: " + output + " is a ", 0), 0u) << refused.err;
    }
    struct stat info {};
    EXPECT_TRUE(lstat(device.c_str(), &info) == 0 && S_ISCHR(info.st_mode));
    EXPECT_TRUE(lstat(link.c_str(), &info) == 0 && S_ISLNK(info.st_mode));
    std::ifstream file(kept);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(file), {}), "kept");

    const std::string full = scratch.file("fs"), output = full + "/bundle.tar.gz";
    ASSERT_EQ(mkdir(full.c_str(), 0700), 0);
    const ProgramResult run = testbed::RunProgram(
        {"/usr/bin/unshare", "-m", "--", "/bin/sh", "-c",
         "mount -t tmpfs -o size=16k tmpfs " + full + " && echo kept > " + output + " && { cat /dev/zero > " +
             full + "/filler 2>/dev/null; " + Lumiq() + " support-bundle --output " + output +
             "; echo status $?; cat " + output + "; ls -A " + full + "; }"});
    EXPECT_EQ(run.out, "status 1\nkept\nbundle.tar.gz\nfiller\n") << run.err;
}

} // namespace
} // namespace lumiq
