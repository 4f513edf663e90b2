// Reading profiles and identity tables: values checked, errors placed.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <map>

#include "base/GbkText.h"
#include "fleet/CsvText.h"
#include "fleet/PreparedSettings.h"
#include "tests/state/TempFolder.h"

namespace lumiq::fleet {
namespace {

using testfs::TempFolder;

std::string Write(const TempFolder& folder, const std::string& name, const std::string& contents) {
    const std::string path = folder.path() + "/" + name;
    std::ofstream(path, std::ios::binary) << contents;
    return path;
}

std::string ErrorOf(const std::function<void()>& load) {
    try {
        load();
    } catch (const InputError& error) {
        return error.what();
    }
    return "no error";
}

TEST(PreparedSettings, AWindowCfgIniIsAProfileWithoutItsIdentity) {
    TempFolder folder;
    const std::string path =
        Write(folder, "CFG.ini",
              "[CFG]\r\nModel=2\r\nGateWay=10.77.0.254\r\nMask=255.255.0.0\r\nIP=10.77.1.9\r\n"
              "DIP=10.77.0.1\r\nPort=5001\r\nDPort=6001\r\nBaudRate=12\r\nDataBit=0\r\n"
              "StopBit=3\r\nParity=2\r\nMAC=02:aa:00:00:00:01\r\n");
    const Profile profile = LoadProfile(path, false);
    EXPECT_TRUE(profile.windowSettings);
    EXPECT_EQ(profile.leftOutKeys, (std::vector<std::string>{"IP", "MAC"}));
    std::map<Param, std::string> values;
    for (const SourcedValue& value : profile.values)
        values[value.value.param] = value.value.text;
    EXPECT_EQ(values, (std::map<Param, std::string>{{Param::Mode, "UDP"},
                                                    {Param::Gateway, "10.77.0.254"},
                                                    {Param::Mask, "255.255.0.0"},
                                                    {Param::Dip, "10.77.0.1"},
                                                    {Param::Port, "5001"},
                                                    {Param::DPort, "6001"},
                                                    {Param::Baud, "115200"},
                                                    {Param::DataBits, "8"},
                                                    {Param::StopBits, "2"},
                                                    {Param::Parity, "Even"}}));
    EXPECT_EQ(LoadProfile(path, true).values.size(), 12u);
}

TEST(PreparedSettings, ErrorsNameFileLineKeyAndRule) {
    TempFolder folder;
    const std::string profile = Write(folder, "line.ini", "; shared\n[profile]\nmode=UDP\nport=70000\n");
    EXPECT_EQ(ErrorOf([&] { LoadProfile(profile, false); }),
              profile + ":4: bad value for port: \"70000\" (a port is 1-65535)");
    const std::string withMac = Write(folder, "mac.ini", "[profile]\nmac=02:aa:00:00:00:01\n");
    EXPECT_NE(ErrorOf([&] { LoadProfile(withMac, false); }).find(":2: a profile never writes a MAC"),
              std::string::npos);
    const std::string table = Write(folder, "ids.csv",
                                    "mac,ip,name\n02:aa:00:00:00:01,10.77.1.1,ok\n"
                                    "02:aa:00:00:00:02,10.77.1.300,bad\n");
    EXPECT_EQ(ErrorOf([&] { LoadIdentityTable(table); }),
              table +
                  ":3: bad value for ip: \"10.77.1.300\" (four decimal octets 0-255, such as 192.168.1.7)");
    const std::string column = Write(folder, "col.csv", "mac,colour\n");
    EXPECT_NE(ErrorOf([&] { LoadIdentityTable(column); }).find(":1: unknown column \"colour\""),
              std::string::npos);
}

TEST(PreparedSettings, RowsOverrideTheProfileAndNeverShareAnIdentity) {
    TempFolder folder;
    const Profile profile = LoadProfile(Write(folder, "p.ini", "[profile]\nname=shared\nport=7000\n"), false);
    const IdentityTable table = LoadIdentityTable(
        Write(folder, "ids.csv",
              "mac,address,status,ip,name,new_mac\n02:AA:00:00:00:01,10.77.1.1,done,10.77.1.11,一号,\n"
              "02:aa:00:00:00:02,,,10.77.1.12,,02:aa:00:00:00:09\n"));
    ASSERT_NE(table.find("02:aa:00:00:00:01"), nullptr);
    const std::vector<Value> wanted = WantedValues(profile, table.find("02:aa:00:00:00:01"));
    EXPECT_EQ(wanted,
              (std::vector<Value>{{Param::Ip, "10.77.1.11"}, {Param::Port, "7000"}, {Param::Name, "一号"}}));
    EXPECT_NO_THROW(CheckDistinctIdentities(profile, &table, 2));

    const IdentityTable clash = LoadIdentityTable(Write(
        folder, "clash.csv", "mac,ip,new_mac\n02:aa:00:00:00:01,10.77.1.5,\n02:aa:00:00:00:02,10.77.1.5,\n"));
    EXPECT_NE(ErrorOf([&] {
                  CheckDistinctIdentities(profile, &clash, 2);
              }).find("ip 10.77.1.5 would be given to two"),
              std::string::npos);
    const IdentityTable taken = LoadIdentityTable(
        Write(folder, "taken.csv", "mac,new_mac\n02:aa:00:00:00:01,\n02:aa:00:00:00:02,02:AA:00:00:00:01\n"));
    EXPECT_NE(ErrorOf([&] { CheckDistinctIdentities(profile, &taken, 2); }).find(":3: mac 02:aa:00:00:00:01"),
              std::string::npos);
    const Profile oneIp = LoadProfile(Write(folder, "ip.ini", "[profile]\nip=10.77.1.5\n"), false);
    EXPECT_NE(ErrorOf([&] { CheckDistinctIdentities(oneIp, nullptr, 3); }).find("one ip for 3 modules"),
              std::string::npos);
}

TEST(PreparedSettings, LinesAndColumnsThatWouldBeDroppedAreRefused) {
    TempFolder folder;
    const std::vector<std::pair<std::string, std::string>> profiles{
        {"[profile]\nmode=UDP\nport 7000\n", ":3: not a KEY=VALUE line"},
        {"; line 7\nport=7000\n[profile]\nmode=UDP\n", ":2: \"port\" stands before the [profile] section"},
        {"[profile]\nmode=UDP\n[uart]\nbaud=9600\n", ":4: \"baud\" stands in the section [uart]"},
        {"[profile\nmode=UDP\n", ":1: a section header without"},
        {"[profile]\n=UDP\n", ":2: no key before"},
    };
    for (const auto& [text, error] : profiles) {
        const std::string path = Write(folder, "p.ini", text);
        EXPECT_EQ(ErrorOf([&] { LoadProfile(path, false); }).rfind(path + error, 0), 0u) << text;
    }
    // Comments of either kind, blanks and a byte-order mark are no settings.
    const std::string commented =
        Write(folder, "ok.ini", "\xEF\xBB\xBF# line 7\r\n[Profile]\r\n\r\n  ; shared\r\n mode = UDP \r\n");
    const Profile fine = LoadProfile(commented, false);
    EXPECT_EQ(fine.values.size(), 1u);
    // A CFG.ini is read as the window reads it: what is not its section's KEY=VALUE does not count.
    const Profile window = LoadProfile(Write(folder, "CFG.ini", "[other]\nnote\n[CFG]\nModel=2\n"), false);
    EXPECT_TRUE(window.windowSettings);

    const std::string ips = Write(folder, "ips.csv", "mac,ip,IP\n02:aa:00:00:00:01,10.77.1.1,10.77.1.2\n");
    EXPECT_EQ(ErrorOf([&] { LoadIdentityTable(ips); }),
              ips + ":1: two columns for ip: \"ip\" (column 2) and \"IP\" (column 3)");
    const std::string alias = Write(folder, "alias.csv", "MAC,gateway,status,GateWay\n");
    EXPECT_NE(ErrorOf([&] { LoadIdentityTable(alias); }).find(":1: two columns for gateway"),
              std::string::npos);
}

TEST(PreparedSettings, OnlyRegularFilesOfBoundedSizeAreRead) {
    TempFolder folder;
    const std::string fifo = folder.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ErrorOf([&] { LoadProfile(fifo, false); }),
              fifo + ": a FIFO, not a regular file; a profile is read from a regular file only");
    EXPECT_EQ(ErrorOf([&] { LoadIdentityTable("/dev/zero"); }).rfind("/dev/zero: a character device", 0), 0u);
    EXPECT_NE(ErrorOf([&] { LoadIdentityTable(folder.path()); }).find(": a folder"), std::string::npos);
    const std::string large = Write(folder, "large.csv", "mac\n");
    ASSERT_EQ(truncate(large.c_str(), static_cast<off_t>(kMaxInputFileBytes) + 1), 0);
    EXPECT_EQ(ErrorOf([&] { LoadIdentityTable(large); }),
              large + ": larger than 16 MiB, too large for an identity table");
}

// What `lumiq read --csv` writes of names a spreadsheet would run comes back
// as it was, and is written so that a spreadsheet shows it.
TEST(PreparedSettings, FormulaLikeCellsAreGuardedAndReadBackAsTheyWere) {
    TempFolder folder;
    const std::vector<std::string> names{"=1+2", "-", "+A1", "@SUM(A1)", "'quoted", "''", "a'b", "'"};
    std::string csv = CsvLine({"mac", "name"});
    for (std::size_t i = 0; i < names.size(); ++i)
        csv += CsvLine({"02:aa:00:00:00:0" + std::to_string(i + 1), names[i]});
    for (const char* guarded : {",'=1+2\n", ",'-\n", ",'@SUM(A1)\n", ",''quoted\n", ",a'b\n", ",''\n"})
        EXPECT_NE(csv.find(guarded), std::string::npos) << guarded << csv;
    // A tab or semicolon is quoted: a reader could take it for the separator.
    EXPECT_EQ(CsvLine({"\tx", "'\r", "a;b"}), "\"'\tx\",\"''\r\",\"a;b\"\n");
    const IdentityTable table = LoadIdentityTable(Write(folder, "ids.csv", csv));
    ASSERT_EQ(table.rows.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        ASSERT_EQ(table.rows[i].values.size(), 1u);
        EXPECT_EQ(table.rows[i].values.front().value.text, names[i]);
    }
    // A spreadsheet's own export of 'abc (typed ''abc) keeps its quote.
    EXPECT_EQ(ParseCsv("'abc,'=x\n").front().fields, (std::vector<std::string>{"'abc", "=x"}));
}

TEST(PreparedSettings, SpreadsheetSavesAreReadInTheirEncodingAndSeparator) {
    TempFolder folder;
    const std::string name = "一号压缩机";
    struct Save {
        const char* file;
        std::string contents;
        TextEncoding encoding;
    };
    const std::vector<Save> saves{
        {"gbk.csv", Utf8ToGbk("mac,name,mode\r\n02:aa:00:00:00:01," + name + ",UDP\r\n"), TextEncoding::Gbk},
        {"bom.csv", "\xEF\xBB\xBFmac;name;mode\n02:aa:00:00:00:01;\"" + name + "\";UDP\n",
         TextEncoding::Utf8WithMark},
        {"tab.txt", "mac\tname\tmode\n02:aa:00:00:00:01\t" + name + "\tUDP\n", TextEncoding::Utf8}};
    for (const Save& save : saves) {
        const IdentityTable table = LoadIdentityTable(Write(folder, save.file, save.contents));
        EXPECT_EQ(table.encoding, save.encoding) << save.file;
        ASSERT_EQ(table.rows.size(), 1u) << save.file;
        EXPECT_EQ(WantedValues(Profile{}, &table.rows.front()),
                  (std::vector<Value>{{Param::Mode, "UDP"}, {Param::Name, name}}))
            << save.file;
    }
    const std::string bad =
        Write(folder, "bad.csv",
              Utf8ToGbk("mac,name\n02:aa:00:00:00:01," + name + "\n") + "02:aa:00:00:00:02,x,y\n");
    EXPECT_NE(ErrorOf([&] { LoadIdentityTable(bad); }).find("read as GBK"), std::string::npos);
}

TEST(PreparedSettings, TableCellsThatOverrideTheProfileAreReportedPerColumn) {
    TempFolder folder;
    const std::string path = Write(folder, "p.ini", "[profile]\nmode=TCP_Server\nport=7000\n");
    const Profile profile = LoadProfile(path, false);
    const IdentityTable table =
        LoadIdentityTable(Write(folder, "ids.csv",
                                "mac,mode,port\n02:aa:00:00:00:01,UDP,7000\n"
                                "02:aa:00:00:00:02,UDP,\n02:aa:00:00:00:03,TCP_Client,\n"
                                "02:aa:00:00:00:04,TCP_Server,\n"));
    std::vector<const IdentityRow*> rows;
    for (const IdentityRow& row : table.rows)
        rows.push_back(&row);
    rows.push_back(nullptr); // a module the table does not name
    const std::vector<ProfileOverride> overrides = ProfileOverrides(profile, rows);
    ASSERT_EQ(overrides.size(), 1u);
    EXPECT_EQ(DescribeOverride(overrides.front()), "the identity table overrides mode=\"TCP_Server\" (" +
                                                       path +
                                                       ":2) for 3 modules, with \"UDP\", \"TCP_Client\"");
}

} // namespace
} // namespace lumiq::fleet
