#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/stat.h>

#include <cstring>
#include <fstream>

#include "fleet/CommissionLog.h"
#include "fleet/InputFile.h"
#include "tests/state/TempFolder.h"

namespace lumiq::fleet {
namespace {

constexpr const char* kHeader =
    "time,mac,adapter,number,address_before,address_after,written,result,verification,done,detail,seconds\n";

CommissionRow Given(const char* mac, unsigned number, const char* address) {
    CommissionRow row;
    row.mac = mac;
    row.adapter = "eth1";
    row.number = number;
    row.addressBefore = "192.168.0.7";
    row.addressAfter = address;
    row.written = "ip=" + std::string(address) + "; name==Press";
    row.result = "applied";
    row.verification = "verified";
    row.done = true;
    row.detail = "=two\nlines";
    row.seconds = "4.1";
    return row;
}

TEST(CommissionLog, RowsAreRememberedAndATornLastRowIsLeftOut) {
    const testfs::TempFolder folder;
    const std::string path = folder / "station.csv";
    EXPECT_EQ(ReadCommissionLog(path).rows, 0U);
    {
        CommissionLog log(path);
        log.append(Given("02:AA:00:00:00:01", 12, "10.1.0.111"));
        CommissionRow skipped;
        skipped.addressAfter = "10.1.0.112";
        skipped.result = "address-taken";
        log.append(skipped);
        CommissionRow failed = Given("02:aa:00:00:00:02", 13, "10.1.0.113");
        failed.done = false;
        log.append(failed);
    }
    const std::string text = testfs::ReadBytes(path);
    ASSERT_TRUE(text.starts_with(kHeader));
    // One line a row, the time with its offset, a formula-like cell guarded.
    const std::size_t start = std::strlen(kHeader);
    const std::string first = text.substr(start, text.find('\n', start) + 1 - start);
    const std::string time = first.substr(0, first.find(','));
    EXPECT_EQ(time.size(), 25U) << time; // "2026-12-10T12:34:56+01:00"
    EXPECT_EQ(time.substr(10, 1) + time.substr(22, 1), "T:") << time;
    EXPECT_EQ(first.substr(time.size()), ",02:AA:00:00:00:01,eth1,12,192.168.0.7,10.1.0.111,\"ip=10.1.0.111; "
                                         "name==Press\",applied,verified,yes,'=two\\nlines,4.1\n");

    // A crash inside a quoted cell.
    std::ofstream(path, std::ios::app)
        << "2026-12-10T12:00:00+01:00,02:aa:00:00:00:03,eth1,14,,10.1.0.114,\"ip=";
    CommissionMemory memory = ReadCommissionLog(path);
    EXPECT_TRUE(memory.tornLastLine);
    EXPECT_EQ(memory.rows, 3U);
    EXPECT_EQ(memory.numbers, (std::set<unsigned>{12, 13}));
    EXPECT_EQ(memory.addresses, (std::set<std::uint32_t>{inet_addr("10.1.0.111"), inet_addr("10.1.0.112"),
                                                         inet_addr("10.1.0.113")}));
    EXPECT_EQ(memory.doneMacs, (std::set<std::string>{"02:aa:00:00:00:01"}));

    CommissionLog(path).append(Given("02:aa:00:00:00:04", 15, "10.1.0.115"));
    memory = ReadCommissionLog(path);
    EXPECT_FALSE(memory.tornLastLine);
    EXPECT_EQ(memory.tornRows, 1U);
    EXPECT_EQ(memory.rows, 4U);
    EXPECT_EQ(memory.numbers, (std::set<unsigned>{12, 13, 15}));
}

TEST(CommissionLog, WhatIsNotALogIsNeitherReadNorWritten) {
    const testfs::TempFolder folder;
    const std::string other = folder / "targets.csv";
    std::ofstream(other) << "mac,name\n02:aa:00:00:00:01,Press\n";
    EXPECT_THROW(
        try { ReadCommissionLog(other); } catch (const InputError& error) {
            EXPECT_EQ(std::string(error.what()),
                      other + ": not a commissioning log (its first line is \"mac,name\")");
            throw;
        },
        InputError);
    EXPECT_THROW(CommissionLog{other}, InputError);
    EXPECT_EQ(testfs::ReadBytes(other), "mac,name\n02:aa:00:00:00:01,Press\n");

    const std::string badNumber = folder / "bad.csv";
    std::ofstream(badNumber) << kHeader << "t,,eth1,,,10.1.0.9,,address-taken,,no,,\nt,,eth1,x1,,,,,,no,,\n";
    EXPECT_THROW(
        try { ReadCommissionLog(badNumber); } catch (const InputError& error) {
            EXPECT_TRUE(std::string(error.what()).starts_with(badNumber + ":3: ")) << error.what();
            throw;
        },
        InputError);

    // Neither a folder nor a FIFO (which would hold the open) is taken.
    const std::string fifo = folder / "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {folder.path(), fifo}) {
        EXPECT_THROW(ReadCommissionLog(path), InputError) << path;
        EXPECT_THROW(CommissionLog{path}, InputError) << path;
    }
}

} // namespace
} // namespace lumiq::fleet
