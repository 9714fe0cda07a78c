// hwconsole init-db run as a user runs it: the real binary, a real SQLite
// file (and a real PostgreSQL server when the pg fixture started one).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <string>

#include "HardwareList.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kConsole = HW_BUILD_DIR "/bin/hwconsole";

class TempFolder {
public:
    TempFolder() {
        char name[] = "/tmp/hwinitdb-XXXXXX";
        m_path = mkdtemp(name);
    }
    ~TempFolder() { RunProcess({"/bin/rm", "-rf", m_path}); }
    std::string File(const std::string& name) const { return m_path + "/" + name; }
    // Names in the folder, one per line, sorted.
    std::string List() const { return RunProcess({"/bin/ls", "-A", m_path}).out; }

private:
    std::string m_path;
};

ProcessResult InitDb(std::vector<std::string> args) {
    args.insert(args.begin(), {kConsole, "init-db"});
    return RunProcess(args);
}

std::string Dump(const std::string& file) {
    return RunProcess({"/usr/bin/sqlite3", file, ".dump"}).out;
}

// One number from a query, through the same ODBC layer the component uses.
class CountQuery : public CRecordset {
public:
    explicit CountQuery(CDatabase* db) : CRecordset(db) { m_nFields = 1; }
    void DoFieldExchange(CFieldExchange* pFX) override {
        pFX->SetFieldType(CFieldExchange::outputColumn);
        RFX_Long(pFX, "n", m_value);
    }
    LONG m_value = 0;
};

long Count(CDataConnection& connection, const std::string& sql) {
    CountQuery query(&connection.m_database);
    query.Open(CRecordset::forwardOnly, sql.c_str());
    return query.m_value;
}

// What every fleet must hold, on any backend: tables named "[dbo].[...]".
void ExpectPlausibleFleet(CDataConnection& db, long pcs) {
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM [dbo].[SystemOverview]"), pcs);
    EXPECT_EQ(Count(db, "SELECT COUNT(DISTINCT ID) FROM [dbo].[BIOS] WHERE BIOSID = 0"), pcs);
    EXPECT_EQ(Count(db, "SELECT MIN(ID) FROM [dbo].[SystemOverview]"), 1);
    EXPECT_EQ(Count(db, "SELECT MAX(ID) FROM [dbo].[SystemOverview]"), pcs);
    EXPECT_EQ(Count(db, "SELECT COUNT(DISTINCT ID) FROM [dbo].[CPU]"), pcs);
    EXPECT_EQ(Count(db, "SELECT COUNT(DISTINCT ID) FROM [dbo].[DiskDrive] WHERE DeviceTypeID = 0"),
              pcs);
    for (int type : {5, 6, 14, 15, 16, 17})
        EXPECT_GT(Count(db, "SELECT COUNT(*) FROM [dbo].[PeripheralDevice] WHERE DeviceTypeID = " +
                                std::to_string(type)),
                  0)
            << "peripheral device type " << type;
    EXPECT_GT(Count(db, "SELECT COUNT(*) FROM [dbo].[DiskDrive] WHERE DeviceTypeID = 1"), 0);
    // Adapters without an address of their own list theirs in NetworkIPAddress.
    EXPECT_GT(Count(db,
                    "SELECT COUNT(*) FROM [dbo].[NetworkAdapter] a WHERE a.IPAddress = '' AND "
                    "EXISTS (SELECT 1 FROM [dbo].[NetworkIPAddress] n WHERE n.ID = a.ID AND "
                    "n.NetworkAdapterID = a.NetworkAdapterID)"),
              0);
    EXPECT_GT(Count(db, "SELECT COUNT(*) FROM [dbo].[NetworkAdapter] WHERE IPAddress <> ''"), 0);
    EXPECT_GT(Count(db, "SELECT COUNT(*) FROM [dbo].[LogicalDisk] WHERE FreeSpace * 10 < Capacity"),
              0);
    EXPECT_GT(
        Count(db, "SELECT COUNT(*) FROM [dbo].[SystemOverview] WHERE Organisation LIKE '%&%'"), 0);
    EXPECT_GT(Count(db, "SELECT COUNT(*) FROM [dbo].[AdditionalHardware] WHERE IndexID > 0"), 0);
    EXPECT_GT(Count(db, "SELECT COUNT(*) FROM [dbo].[AdditionalHardwareDevice] WHERE OwnBox <> 0"),
              0);
    EXPECT_GT(Count(db,
                    "SELECT COUNT(*) FROM [dbo].[AdditionalHardwareProperty] "
                    "WHERE DoubleWidth <> 0"),
              0);
    for (const char* table : {"MotherBoard", "PhysicalMemory", "SystemSlot", "VideoAdapter",
                              "Monitor", "Printer", "SoundCard", "Keyboard", "PointingDevice"})
        EXPECT_GT(Count(db, std::string("SELECT COUNT(*) FROM [dbo].[") + table + "]"), 0) << table;
}

TEST(InitDbSqlite, FillsANewFileWithAPlausibleFleet) {
    TempFolder folder;
    const std::string file = folder.File("fleet.db");
    ProcessResult r = InitDb({"--db", file, "--pcs", "50"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("init-db: 50 PCs, "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one summary line: " << r.out;
    EXPECT_EQ(r.err, "") << "no progress bar when stderr is not a terminal";
    EXPECT_EQ(folder.List(), "fleet.db\n") << "no temporary file left behind";

    CDataConnection db;
    db.Open(("Driver=SQLite3;Database=" + file).c_str());
    ExpectPlausibleFleet(db, 50);
    // Non-ASCII text arrives as UTF-8: "ü" is two bytes.
    EXPECT_GT(Count(db,
                    "SELECT COUNT(*) FROM [dbo].[AdditionalHardware] "
                    "WHERE DataValue = 'USB-Stick 64 GB (gr\xC3\xBCn)'"),
              0);
}

TEST(InitDbSqlite, TheSeedAloneDecidesTheFleet) {
    TempFolder folder;
    const std::string a = folder.File("a.db"), b = folder.File("b.db"), c = folder.File("c.db");
    ASSERT_EQ(InitDb({"--db", a, "--pcs", "30", "--seed", "7"}).exitCode, 0);
    ASSERT_EQ(InitDb({"--db", b, "--pcs", "30", "--seed=7"}).exitCode, 0);
    ASSERT_EQ(InitDb({"--db", c, "--pcs", "30", "--seed", "8"}).exitCode, 0);
    const std::string dumpA = Dump(a);
    ASSERT_GT(dumpA.size(), 10000u);
    EXPECT_TRUE(dumpA == Dump(b)) << "the same seed must give identical tables";
    EXPECT_FALSE(dumpA == Dump(c)) << "another seed must give another fleet";

    // PC n does not depend on how many PCs follow it.
    const std::string more = folder.File("more.db");
    ASSERT_EQ(InitDb({"--db", more, "--pcs", "31", "--seed", "7"}).exitCode, 0);
    const std::string query =
        "SELECT * FROM CPU WHERE ID <= 30; SELECT * FROM AdditionalHardware "
        "WHERE ID <= 30;";
    EXPECT_EQ(RunProcess({"/usr/bin/sqlite3", a, query}).out,
              RunProcess({"/usr/bin/sqlite3", more, query}).out);
}

TEST(InitDbSqlite, ReplacesAFilledDatabaseOnlyWithForce) {
    TempFolder folder;
    const std::string file = folder.File("fleet.db");
    ASSERT_EQ(InitDb({"--db", file, "--pcs", "5"}).exitCode, 0);
    const std::string before = Dump(file);

    ProcessResult refused = InitDb({"--db", file, "--pcs", "9"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("already exists and is not empty"), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(Dump(file), before) << "a refused init-db leaves the file as it was";

    ProcessResult forced = InitDb({"--db", file, "--pcs", "9", "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.out.find("init-db: 9 PCs"), std::string::npos);
    EXPECT_EQ(folder.List(), "fleet.db\n");

    // An empty file (from mktemp, say) is not a database to protect.
    const std::string empty = folder.File("empty.db");
    RunProcess({"/usr/bin/touch", empty});
    EXPECT_EQ(InitDb({"--db", empty, "--pcs", "1"}).exitCode, 0);
}

TEST(InitDbSqlite, AFailedLoadLosesNothing) {
    // A schema whose constraint rejects part of the fleet: the load fails
    // half-way, and the file that was there before must survive unchanged.
    TempFolder folder;
    const std::string schema = folder.File("schema");
    mkdir(schema.c_str(), 0755);
    ProcessResult sed =
        RunProcess({"/bin/sed", "-e", "s/Speed INTEGER,/Speed INTEGER CHECK (Speed < 3000),/",
                    HW_SOURCE_DIR "/schema/sqlite.sql"});
    ASSERT_NE(sed.out.find("CHECK (Speed < 3000)"), std::string::npos);
    {
        FILE* out = fopen((schema + "/sqlite.sql").c_str(), "w");
        ASSERT_NE(out, nullptr);
        fputs(sed.out.c_str(), out);
        fclose(out);
    }
    const std::string file = folder.File("precious.db");
    FILE* precious = fopen(file.c_str(), "w");
    ASSERT_NE(precious, nullptr);
    fputs("not a fleet\n", precious);
    fclose(precious);

    ProcessResult r = InitDb({"--db", file, "--pcs", "50", "--force", "--schema", schema});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("CHECK constraint failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    EXPECT_EQ(testdb::ReadText(file), "not a fleet\n");
    EXPECT_EQ(folder.List(), "precious.db\nschema\n") << "the half-built file is removed";
}

TEST(InitDbErrors, TellTheUserWhatIsWrong) {
    TempFolder folder;
    const std::string file = folder.File("fleet.db");

    ProcessResult dsn = InitDb({"--connect", "DSN=hwconsole-no-such-dsn"});
    EXPECT_EQ(dsn.exitCode, 1);
    EXPECT_NE(dsn.err.find("cannot connect to the database: SQLSTATE IM002"), std::string::npos)
        << dsn.err;

    ProcessResult schema = InitDb({"--db", file, "--schema", folder.File("nowhere")});
    EXPECT_EQ(schema.exitCode, 1);
    EXPECT_NE(schema.err.find(folder.File("nowhere") + "/sqlite.sql"), std::string::npos)
        << "the message names the missing schema file: " << schema.err;
    EXPECT_EQ(folder.List(), "") << "no database file is created without a schema";

    struct Usage {
        std::vector<std::string> args;
        std::string message;
    } usage[] = {
        {{"--db", file, "--pcs", "many"}, "--pcs needs a whole number"},
        {{"--db", file, "--pcs", "-3"}, "--pcs needs a whole number"},
        {{"--db", file, "--seed", "0x10"}, "--seed needs a whole number"},
        {{}, "name the database with --db FILE"},
        {{"--db", file, "--connect", "DSN=x"}, "not both"},
    };
    for (const Usage& u : usage) {
        ProcessResult r = InitDb(u.args);
        EXPECT_EQ(r.exitCode, 2) << u.message;
        EXPECT_NE(r.err.find(u.message), std::string::npos) << r.err;
    }

    ProcessResult help = RunProcess({kConsole, "--help"});
    EXPECT_NE(help.out.find("init-db"), std::string::npos);
}

// --connect: the dialect picks the schema file, and existing tables are
// replaced only with --force.
void ExpectConnectCycle(const std::string& connect, const char* dbmsName) {
    ProcessResult first = InitDb({"--connect", connect, "--pcs", "40"});
    ASSERT_EQ(first.exitCode, 0) << first.err;
    EXPECT_NE(first.out.find(std::string("into ") + dbmsName), std::string::npos) << first.out;

    ProcessResult again = InitDb({"--connect", connect, "--pcs", "3"});
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_NE(again.err.find("already holds the hardware tables"), std::string::npos) << again.err;
    {
        CDataConnection db;
        db.Open(connect.c_str());
        ExpectPlausibleFleet(db, 40);
    }
    ProcessResult forced = InitDb({"--connect", connect, "--pcs", "3", "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    CDataConnection db;
    db.Open(connect.c_str());
    EXPECT_EQ(Count(db, "SELECT COUNT(*) FROM [dbo].[SystemOverview]"), 3);
}

TEST(InitDbConnect, SqliteThroughAConnectionString) {
    TempFolder folder;
    ExpectConnectCycle("Driver=SQLite3;Database=" + folder.File("fleet.db"), "SQLite");
}

TEST(InitDbConnect, PostgreSQLServer) {
    const std::string admin = testdb::PostgresConnect();
    ASSERT_FALSE(admin.empty()) << "PostgreSQL is not available: the pg_start test must run first";
    // A database of its own, so the fleet never meets other tests' tables.
    const size_t key = admin.find("Database=");
    ASSERT_NE(key, std::string::npos) << admin;
    const size_t end = admin.find(';', key);
    const std::string connect = admin.substr(0, key) + "Database=hwfleet" +
                                (end == std::string::npos ? "" : admin.substr(end));
    CDatabase server;
    server.OpenEx(admin.c_str());
    server.ExecuteSQL("DROP DATABASE IF EXISTS hwfleet");
    server.ExecuteSQL("CREATE DATABASE hwfleet");

    ExpectConnectCycle(connect, "PostgreSQL");
    {
        // Text travels as UTF-8: the umlaut is one character, two bytes.
        CDataConnection db;
        db.Open(connect.c_str());
        EXPECT_GT(Count(db,
                        "SELECT COUNT(*) FROM [dbo].[SystemOverview] WHERE Organisation "
                        "LIKE 'Brenner & S%hne GmbH' AND char_length(Organisation) = 20 "
                        "AND octet_length(Organisation) = 21"),
                  0);
    }
    server.ExecuteSQL("DROP DATABASE hwfleet");
}

}  // namespace
