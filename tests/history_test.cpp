// History: the difference of two report documents, the snapshots an import
// keeps (real SQLite and PostgreSQL, the real computer_3 pair) and
// `hwconsole changes` as a user runs it.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "history/Changes.h"
#include "history/Snapshots.h"
#include "import/ImportRun.h"
#include "import/InputFormat.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kInventories = HW_TEST_DATA "/inventories/";

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A report document as the component writes it (CR LF, UTF-16 declared).
const char kBase[] =
    "<?xml version=\"1.0\" encoding=\"UTF-16\" ?>\r\n"
    "<?xml-stylesheet type=\"text/xsl\" href=\"StdHardWareStyleSheet.xsl\"?>\r\n"
    "<HARDWARE>\r\n<CompanyName></CompanyName>\r\n<User></User>\r\n"
    "<SystemOverview>\r\n<SystemName>WS-1</SystemName>\r\n"
    "<PhysicalMemory>16384 MB</PhysicalMemory>\r\n<LoggedOnUser>ann</LoggedOnUser>\r\n"
    "</SystemOverview>\r\n"
    "<CPU_BIOS>\r\n<BIOS>\r\n<AssetTag>A1</AssetTag>\r\n<SerialNumber>PC1</SerialNumber>\r\n"
    "</BIOS>\r\n</CPU_BIOS>\r\n"
    "<MotherBoard_Slots>\r\n"
    "<MemorySlot>\r\n<Name>DIMM 1</Name>\r\n<Capacity>8192 MB</Capacity>\r\n</MemorySlot>\r\n"
    "<MemorySlot>\r\n<Name>DIMM 2</Name>\r\n<Capacity>8192 MB</Capacity>\r\n</MemorySlot>\r\n"
    "</MotherBoard_Slots>\r\n"
    "<NetworkAdapters>\r\n<NetworkAdapter>\r\n<Name>eth0</Name>\r\n"
    "<MacAddress>E8:6A:64:12:AB:CD</MacAddress>\r\n</NetworkAdapter>\r\n</NetworkAdapters>\r\n"
    "<DiskDrives>\r\n<HardDisk>\r\n<Name>SSD 512GB</Name>\r\n<Capacity>476.94 GB</Capacity>\r\n"
    "<Drive>C:</Drive>\r\n</HardDisk>\r\n"
    "<LogicalDisk>\r\n<DeviceID>C:</DeviceID>\r\n<Size>475.83 GB</Size>\r\n"
    "<FreeSpace>41.27 GB</FreeSpace>\r\n<FreePerCent>8</FreePerCent>\r\n</LogicalDisk>\r\n"
    "</DiskDrives>\r\n</HARDWARE>\r\n";

std::string Edited(std::string text, const std::vector<std::pair<std::string, std::string>>& edits) {
    for (const auto& [from, to] : edits) {
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) text.replace(at, from.size(), to);
    }
    return text;
}

TEST(ReportDiff, EachKindOfChangeGivesExactlyItsRows) {
    const std::string slot2 =
        "<MemorySlot>\r\n<Name>DIMM 2</Name>\r\n<Capacity>8192 MB</Capacity>\r\n</MemorySlot>\r\n";
    const struct {
        const char* what;
        std::vector<std::pair<std::string, std::string>> edits;
        bool all;
        const char* json;
    } cases[] = {
        {"memory module removed", {{slot2, ""}, {"16384 MB", "8192 MB"}}, false,
         R"([{"section":"SystemOverview","item":"SystemOverview","key":"","change":"changed","fields":[{"field":"PhysicalMemory","old":"16384 MB","new":"8192 MB"}]},)"
         R"({"section":"MotherBoard_Slots","item":"MemorySlot","key":"DIMM 2","change":"removed","fields":[{"field":"Name","old":"DIMM 2"},{"field":"Capacity","old":"8192 MB"}]}])"},
        {"capacity changed", {{"DIMM 2</Name>\r\n<Capacity>8192", "DIMM 2</Name>\r\n<Capacity>16384"}},
         false,
         R"([{"section":"MotherBoard_Slots","item":"MemorySlot","key":"DIMM 2","change":"changed","fields":[{"field":"Capacity","old":"8192 MB","new":"16384 MB"}]}])"},
        {"disk of another size in the same drive", {{"476.94 GB", "931.51 GB"}}, false,
         R"([{"section":"DiskDrives","item":"HardDisk","key":"SSD 512GB, C:","change":"changed","fields":[{"field":"Capacity","old":"476.94 GB","new":"931.51 GB"}]}])"},
        {"another disk in the same drive", {{"SSD 512GB", "SSD 1TB"}}, false,
         R"([{"section":"DiskDrives","item":"HardDisk","key":"SSD 512GB, C:","change":"removed","fields":[{"field":"Name","old":"SSD 512GB"},{"field":"Capacity","old":"476.94 GB"},{"field":"Drive","old":"C:"}]},)"
         R"({"section":"DiskDrives","item":"HardDisk","key":"SSD 1TB, C:","change":"added","fields":[{"field":"Name","new":"SSD 1TB"},{"field":"Capacity","new":"476.94 GB"},{"field":"Drive","new":"C:"}]}])"},
        {"serial number changed", {{"PC1", "PC2"}}, false,
         R"([{"section":"CPU_BIOS","item":"BIOS","key":"","change":"changed","fields":[{"field":"SerialNumber","old":"PC1","new":"PC2"}]}])"},
        {"adapter MAC changed", {{"E8:6A:64:12:AB:CD", "E8:6A:64:12:AB:CE"}}, false,
         R"([{"section":"NetworkAdapters","item":"NetworkAdapter","key":"E8:6A:64:12:AB:CD","change":"removed","fields":[{"field":"Name","old":"eth0"},{"field":"MacAddress","old":"E8:6A:64:12:AB:CD"}]},)"
         R"({"section":"NetworkAdapters","item":"NetworkAdapter","key":"E8:6A:64:12:AB:CE","change":"added","fields":[{"field":"Name","new":"eth0"},{"field":"MacAddress","new":"E8:6A:64:12:AB:CE"}]}])"},
        {"only free space and the user", {{"41.27 GB", "12.00 GB"}, {"<FreePerCent>8", "<FreePerCent>2"}, {"ann", "bob"}},
         false, "[]"},
        {"only free space and the user, --all", {{"41.27 GB", "12.00 GB"}, {"<FreePerCent>8", "<FreePerCent>2"}, {"ann", "bob"}},
         true,
         R"([{"section":"SystemOverview","item":"SystemOverview","key":"","change":"changed","fields":[{"field":"LoggedOnUser","old":"ann","new":"bob"}]},)"
         R"({"section":"DiskDrives","item":"LogicalDisk","key":"C:","change":"changed","fields":[{"field":"FreeSpace","old":"41.27 GB","new":"12.00 GB"},{"field":"FreePerCent","old":"8","new":"2"}]}])"},
    };
    const hwhistory::ReportModel before = hwhistory::ReadReport(kBase);
    for (const auto& c : cases) {
        const std::string after = Edited(kBase, c.edits);
        const std::string json =
            hwhistory::RowsJson(hwhistory::DiffReports(before, hwhistory::ReadReport(after), c.all));
        EXPECT_EQ(json, c.json) << c.what;
        // The digest that decides whether an import keeps a snapshot agrees.
        if (!c.all) {
            EXPECT_EQ(hwhistory::ReportDigest(after) == hwhistory::ReportDigest(kBase),
                      json == "[]")
                << c.what;
        }
    }
}

class History : public testdb::HardwareDbTest {
protected:
    CDatabase& Db() { return m_connection.m_database; }
    int Snapshots() {
        return static_cast<int>(testdb::QueryNumber(Db(), "SELECT COUNT(*) FROM [dbo].[PCSnapshot]"));
    }
    hwimport::ImportStatus Import(const std::string& bytes, const hwimport::ImportOptions& options) {
        const hwimport::ImportResult r = hwimport::ImportInventory(Db(), bytes, options);
        EXPECT_NE(r.status, hwimport::ImportStatus::Failed) << r.message;
        return r.status;
    }
};

// The real pair: a monitor gone, network adapters added. Kept once each;
// the same inventory again keeps nothing; the changes are exactly the
// expected ones on both backends.
TEST_P(History, TheRealPairIsKeptOnceEachAndGivesItsChanges) {
    hwimport::ImportOptions options;
    options.afterWrite = hwhistory::SnapshotHook(m_connection, {});
    const std::string first = ReadFile(kInventories + "computer_3.json.gz");
    const std::string updated = ReadFile(kInventories + "computer_3_updated.json.gz");
    EXPECT_EQ(Import(first, options), hwimport::ImportStatus::New);
    EXPECT_EQ(Import(updated, options), hwimport::ImportStatus::Updated);
    EXPECT_EQ(Import(updated, options), hwimport::ImportStatus::Unchanged);
    EXPECT_EQ(Snapshots(), 2);
    const std::string expected = ReadFile(HW_TEST_DATA "/history/computer_3-changes.json");
    EXPECT_EQ(hwhistory::ChangesJson(hwhistory::PcChanges(Db(), 1, {})), expected);
    // The fleet since a date between the two: PC 1, its memory flagged.
    const hwhistory::ChangeList fleet = hwhistory::FleetChanges(Db(), {"2017-03-01", false});
    ASSERT_EQ(fleet.changes.size(), 1u);
    EXPECT_EQ(fleet.changes[0].significant, std::vector<std::string>{"memory"});
    EXPECT_EQ(fleet.changes[0].previousTime, "2017-02-20T12:23:05Z");
}

// Retention keeps exactly the newest N; a change of free space alone is an
// updated inventory but keeps nothing. Through KeepSnapshot, as a server's
// agent endpoint keeps history.
TEST_P(History, KeepsTheNewestNAndNothingForFreeSpaceAlone) {
    hwimport::ImportOptions options;
    options.afterWrite = [this](CDatabase&, int32_t pc, bool changed) {
        hwhistory::KeepSnapshot(m_connection, pc, changed, {2});
    };
    auto inventory = [](const std::string& name, const std::string& free) {
        return "{\"deviceid\": \"d1\", \"content\": {\"hardware\": {\"name\": \"" + name +
               "\"}, \"drives\": [{\"type\": \"/\", \"total\": \"10240\", \"free\": \"" + free +
               "\", \"filesystem\": \"ext4\"}]}}";
    };
    Import(inventory("a", "5120"), options);
    Import(inventory("b", "5120"), options);
    EXPECT_EQ(Import(inventory("b", "1024"), options), hwimport::ImportStatus::Updated);
    EXPECT_EQ(Snapshots(), 2);
    Import(inventory("c", "1024"), options);
    Import(inventory("d", "1024"), options);
    EXPECT_EQ(Snapshots(), 2);
    EXPECT_EQ(testdb::QueryNumber(Db(), "SELECT MIN([SnapshotID]) FROM [dbo].[PCSnapshot]"), 3);
    const hwhistory::ChangeList list = hwhistory::PcChanges(Db(), 1, {});
    ASSERT_EQ(list.changes.size(), 1u) << "pruned history has no first inventory";
    EXPECT_EQ(hwhistory::RowsJson(list.changes[0].rows),
              R"([{"section":"SystemOverview","item":"SystemOverview","key":"","change":"changed","fields":[{"field":"SystemName","old":"c","new":"d"}]}])");
}

// Through ImportAll, as hwconsole import keeps history, the documents built
// beside the writer: a PC twice in one batch keeps both snapshots, a file
// that is no inventory costs only itself, an unchanged one keeps nothing,
// the last, partial batch keeps its snapshots too, and a snapshot that
// cannot be kept is said so while its inventory stays.
TEST_P(History, ABulkImportKeepsOneSnapshotPerChangedInventory) {
    auto inventory = [](const std::string& device, const std::string& name) {
        return "{\"deviceid\": \"" + device + "\", \"content\": {\"hardware\": {\"name\": \"" +
               name + "\"}}}";
    };
    const std::vector<std::vector<std::string>> files = {
        {"a1", inventory("a", "one")}, {"b", inventory("b", "b")}, {"a2", inventory("a", "two")},
        {"bad", "not an inventory"},   {"c", inventory("c", "c")}, {"a3", inventory("a", "two")},
        {"d", inventory("d", "d")}};
    std::unique_ptr<hwimport::BatchFollower> snapshots =
        hwhistory::SnapshotPipeline(m_connection, m_connect, {});
    // Each source's name and status, and its warnings.
    auto import = [&](const std::vector<std::vector<std::string>>& list) {
        std::vector<hwimport::InventorySource> sources;
        for (const auto& file : list) {
            const std::string text = file[1];
            sources.push_back({file[0], [text] { return text; }});
        }
        hwimport::RunOptions options;
        options.batchSize = 3;
        options.follower = snapshots.get();
        std::string seen;
        hwimport::ImportAll(
            Db(), sources, options,
            [&](const hwimport::InventorySource& source, const hwimport::ImportResult& r) {
                seen += source.name + ":" + hwimport::StatusName(r.status) + " ";
                for (const std::string& warning : r.warnings) seen += warning + " ";
            });
        return seen;
    };
    const std::string seen = import(files);
    EXPECT_EQ(seen, "a1:new b:new a2:updated bad:failed c:new a3:unchanged d:new ");
    EXPECT_EQ(Snapshots(), 5);
    const hwhistory::ChangeList a = hwhistory::PcChanges(Db(), 1, {});
    ASSERT_EQ(a.changes.size(), 2u) << "the first inventory and its change";
    EXPECT_EQ(hwhistory::RowsJson(a.changes[0].rows),
              R"([{"section":"SystemOverview","item":"SystemOverview","key":"","change":"changed","fields":[{"field":"SystemName","old":"one","new":"two"}]}])");
    EXPECT_EQ(testdb::QueryNumber(Db(), "SELECT COUNT(*) FROM [dbo].[PCSnapshot] WHERE [ID] = 4"), 1)
        << "the last batch's PC";

    // A snapshot that cannot be stored costs only itself: the inventory
    // stays, its result says so, and the PC's next import keeps one.
    if (IsPostgres()) return;
    Exec("CREATE TRIGGER [dbo].[full] BEFORE INSERT ON [PCSnapshot] "
         "BEGIN SELECT RAISE(ABORT, 'history is full'); END");
    const std::vector<std::vector<std::string>> e = {{"e", inventory("e", "e")}};
    EXPECT_EQ(import(e).rfind("e:new its history snapshot was not kept: ", 0), 0u);
    EXPECT_EQ(testdb::QueryNumber(Db(), "SELECT COUNT(*) FROM [dbo].[PCIdentity]"), 5);
    Exec("DROP TRIGGER [dbo].[full]");
    EXPECT_EQ(import(e), "e:unchanged ");
    EXPECT_EQ(Snapshots(), 6);
}

HW_ON_BOTH_BACKENDS(History);

// `hwconsole import` keeps history in a new file; `changes` shows it as a
// page, text and CSV, and refuses a date it cannot read.
TEST(HistoryConsole, ChangesOfAPcAndOfTheFleet) {
    testdb::TempDir dir;
    const std::string db = dir.File("fleet.db");
    for (const char* file :
         {"computer_3.json.gz", "computer_3_updated.json.gz", "windows-8.1.xml"}) {
        const ProcessResult r = RunConsole({"import", "--db", db, kInventories + file});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    const ProcessResult page = RunConsole({"changes", "--db", db, "--pc", "LF014"});
    ASSERT_EQ(page.exitCode, 0) << page.err;
    EXPECT_NE(page.out.find("<!DOCTYPE html"), std::string::npos);
    EXPECT_NE(page.out.find("PL2480H"), std::string::npos);
    EXPECT_NE(page.out.find("First inventory"), std::string::npos);
    const ProcessResult text =
        RunConsole({"changes", "--db", db, "--since", "2017-03-01", "--format", "text"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    EXPECT_NE(text.out.find("PC 1 LF014: 2017-02-20T12:23:05Z -> 2017-06-09T07:00:49Z (memory)"),
              std::string::npos)
        << text.out;
    EXPECT_NE(text.out.find("\nPC 2 pc-arg-23: first inventory 2017-05-15T16:38:07Z"),
              std::string::npos)
        << "a PC new since then, with one inventory\n"
        << text.out;
    const ProcessResult csv = RunConsole({"changes", "--db", db, "--pc", "1", "--format", "csv"});
    EXPECT_NE(csv.out.find("1,LF014,2017-02-20T12:23:05Z,2017-06-09T07:00:49Z,memory,VideoAdapters,"
                           "Monitor,PL2480H,removed,Name,PL2480H,\r\n"),
              std::string::npos)
        << csv.out;
    EXPECT_EQ(RunConsole({"changes", "--db", db, "--since", "last week"}).exitCode, 2);
}

}  // namespace
