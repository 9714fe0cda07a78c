// hwconsole init-db run as a user runs it: the real binary, a real SQLite
// file (and a real PostgreSQL server when the pg fixture started one).
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

ProcessResult InitDb(std::vector<std::string> args) {
    args.insert(args.begin(), "init-db");
    return RunConsole(args);
}

// Names in the folder, one per line, sorted.
std::string List(const testdb::TempDir& dir) {
    return RunProcess({"/bin/ls", "-A", dir.Path()}).out;
}

long Count(CDataConnection& db, const std::string& sql) {
    return testdb::QueryNumber(db.m_database, "SELECT " + sql);
}

// What every fleet must hold, on any backend: tables named "[dbo].[...]".
void ExpectPlausibleFleet(CDataConnection& db, long pcs) {
    for (const char* perPc :
         {"COUNT(*) FROM [dbo].[SystemOverview]", "MAX(ID) FROM [dbo].[SystemOverview]",
          "COUNT(DISTINCT ID) FROM [dbo].[BIOS] WHERE BIOSID = 0",
          "COUNT(DISTINCT ID) FROM [dbo].[CPU]",
          // Each PC's identity, as an import would look it up.
          "COUNT(*) FROM [dbo].[PCIdentity] p JOIN [dbo].[BIOS] b ON b.ID = p.ID AND "
          "b.BIOSID = 0 AND (b.SerialNumber = p.SerialNumber OR p.SerialNumber IS NULL)",
          "COUNT(DISTINCT ID) FROM [dbo].[DiskDrive] WHERE DeviceTypeID = 0"})
        EXPECT_EQ(Count(db, perPc), pcs) << perPc;
    EXPECT_EQ(Count(db, "MIN(ID) FROM [dbo].[SystemOverview]"), 1);
    EXPECT_EQ(Count(db,
                    "COUNT(DISTINCT DeviceTypeID) FROM [dbo].[PeripheralDevice] WHERE "
                    "DeviceTypeID IN (5, 6, 14, 15, 16, 17)"),
              6);
    // Every kind of row the report shows occurs somewhere in the fleet.
    for (const std::string someRows :
         {"[dbo].[DiskDrive] WHERE DeviceTypeID = 1",
          // Adapters without an address of their own list theirs in NetworkIPAddress.
          "[dbo].[NetworkAdapter] a WHERE a.IPAddress = '' AND EXISTS (SELECT 1 FROM "
          "[dbo].[NetworkIPAddress] n WHERE n.ID = a.ID AND n.NetworkAdapterID = "
          "a.NetworkAdapterID)",
          "[dbo].[NetworkAdapter] WHERE IPAddress <> ''",
          "[dbo].[LogicalDisk] WHERE FreeSpace * 10 < Capacity",
          "[dbo].[SystemOverview] WHERE Organisation LIKE '%&%'",
          "[dbo].[AdditionalHardware] WHERE IndexID > 0",
          "[dbo].[AdditionalHardwareDevice] WHERE OwnBox <> 0",
          "[dbo].[AdditionalHardwareProperty] WHERE DoubleWidth <> 0", "[dbo].[MotherBoard]",
          "[dbo].[PhysicalMemory]", "[dbo].[SystemSlot]", "[dbo].[VideoAdapter]", "[dbo].[Monitor]",
          "[dbo].[Printer]", "[dbo].[SoundCard]", "[dbo].[Keyboard]", "[dbo].[PointingDevice]"})
        EXPECT_GT(Count(db, "COUNT(*) FROM " + someRows), 0) << someRows;
}

TEST(InitDbSqlite, FillsANewFileWithAPlausibleFleet) {
    testdb::TempDir folder;
    const std::string file = folder.File("fleet.db");
    ProcessResult r = InitDb({"--db", file, "--pcs", "50"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("init-db: 50 PCs, "), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one summary line: " << r.out;
    EXPECT_EQ(r.err, "") << "no progress bar when stderr is not a terminal";
    EXPECT_EQ(List(folder), "fleet.db\n") << "no temporary file left behind";

    CDataConnection db;
    db.Open(testdb::SqliteConnect(file).c_str());
    ExpectPlausibleFleet(db, 50);
    // Non-ASCII text arrives as UTF-8: "ü" is two bytes.
    EXPECT_GT(Count(db,
                    "COUNT(*) FROM [dbo].[AdditionalHardware] "
                    "WHERE DataValue = 'USB-Stick 64 GB (gr\xC3\xBCn)'"),
              0);
}

TEST(InitDbSqlite, TheSeedAloneDecidesTheFleet) {
    testdb::TempDir folder;
    const std::string a = folder.File("a.db"), b = folder.File("b.db"), c = folder.File("c.db");
    ASSERT_EQ(InitDb({"--db", a, "--pcs", "30", "--seed", "7"}).exitCode, 0);
    ASSERT_EQ(InitDb({"--db", b, "--pcs", "30", "--seed=7"}).exitCode, 0);
    ASSERT_EQ(InitDb({"--db", c, "--pcs", "30", "--seed", "8"}).exitCode, 0);
    const std::string dumpA = SqliteDump(a);
    ASSERT_GT(dumpA.size(), 10000u);
    EXPECT_TRUE(dumpA == SqliteDump(b)) << "the same seed must give identical tables";
    EXPECT_FALSE(dumpA == SqliteDump(c)) << "another seed must give another fleet";

    // PC n does not depend on how many PCs follow it.
    const std::string more = folder.File("more.db");
    ASSERT_EQ(InitDb({"--db", more, "--pcs", "31", "--seed", "7"}).exitCode, 0);
    const std::string query =
        "SELECT * FROM CPU WHERE ID <= 30; SELECT * FROM AdditionalHardware WHERE ID <= 30;";
    EXPECT_EQ(RunProcess({"/usr/bin/sqlite3", a, query}).out,
              RunProcess({"/usr/bin/sqlite3", more, query}).out);
}

TEST(InitDbSqlite, ReplacesAFilledDatabaseOnlyWithForce) {
    testdb::TempDir folder;
    const std::string file = folder.File("fleet.db");
    ASSERT_EQ(InitDb({"--db", file, "--pcs", "5"}).exitCode, 0);
    const std::string before = SqliteDump(file);

    ProcessResult refused = InitDb({"--db", file, "--pcs", "9"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("already exists and is not empty"), std::string::npos)
        << refused.err;
    EXPECT_NE(refused.err.find("--force"), std::string::npos) << refused.err;
    EXPECT_EQ(SqliteDump(file), before) << "a refused init-db leaves the file as it was";

    ProcessResult forced = InitDb({"--db", file, "--pcs", "9", "--force"});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_NE(forced.out.find("init-db: 9 PCs"), std::string::npos);
    EXPECT_EQ(List(folder), "fleet.db\n");

    // An empty file (from mktemp, say) is not a database to protect.
    std::ofstream(folder.File("empty.db")).close();
    EXPECT_EQ(InitDb({"--db", folder.File("empty.db"), "--pcs", "1"}).exitCode, 0);
}

TEST(InitDbSqlite, AFailedLoadLosesNothing) {
    // A schema whose constraint rejects part of the fleet: the load fails
    // half-way, and the file that was there before must survive unchanged.
    testdb::TempDir folder;
    ProcessResult sed =
        RunProcess({"/bin/sed", "-e", "s/Speed INTEGER,/Speed INTEGER CHECK (Speed < 3000),/",
                    HW_SOURCE_DIR "/schema/sqlite.sql"});
    ASSERT_NE(sed.out.find("CHECK (Speed < 3000)"), std::string::npos);
    std::filesystem::create_directory(folder.File("schema"));
    std::ofstream(folder.File("schema/sqlite.sql")) << sed.out;
    const std::string file = folder.File("precious.db");
    std::ofstream(file) << "not a fleet\n";

    ProcessResult r =
        InitDb({"--db", file, "--pcs", "50", "--force", "--schema", folder.File("schema")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("CHECK constraint failed"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
    EXPECT_EQ(testdb::ReadText(file), "not a fleet\n");
    EXPECT_EQ(List(folder), "precious.db\nschema\n") << "the half-built file is removed";
}

TEST(InitDbSqlite, RemovesWhatAKilledRunLeftAndNothingElse) {
    testdb::TempDir folder;
    const std::string file = folder.File("fleet.db");
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    waitpid(gone, nullptr, 0);
    // The temporary files of a run killed outright and of one still running
    // (this process), and a file of the user's own; a link under the killed
    // run's name is no file of the run's.
    const std::string killed = ".init-" + std::to_string(gone) + "-a1B2c3";
    const std::string running = ".init-" + std::to_string(getpid()) + "-d4E5f6";
    const std::string link = ".init-" + std::to_string(gone) + "-link";
    for (const std::string& name : {killed, running, std::string(".tmp")})
        std::ofstream(file + name) << "20 MB of a half-built fleet";
    std::filesystem::create_symlink(file + ".tmp", file + link);
    ASSERT_EQ(InitDb({"--db", file, "--pcs", "2"}).exitCode, 0);
    EXPECT_TRUE(std::filesystem::is_symlink(file + link));
    std::filesystem::remove(file + link);
    EXPECT_EQ(List(folder), "fleet.db\nfleet.db" + running + "\nfleet.db.tmp\n");
}

TEST(InitDbErrors, TellTheUserWhatIsWrong) {
    testdb::TempDir folder;
    const std::string file = folder.File("fleet.db");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"--connect", "DSN=hwconsole-no-such-dsn"},
         1,
         "cannot connect to the database: SQLSTATE IM002"},
        // The message names the missing schema file.
        {{"--db", file, "--schema", folder.File("nowhere")}, 1, folder.File("nowhere/sqlite.sql")},
        {{"--db", file, "--pcs", "many"}, 2, "--pcs needs a whole number"},
        {{"--db", file, "--pcs", "-3"}, 2, "--pcs needs a whole number"},
        {{"--db", file, "--seed", "0x10"}, 2, "--seed needs a whole number"},
        {{}, 2, "name the database with --db FILE"},
        {{"--db", file, "--connect", "DSN=x"}, 2, "not both"},
    };
    for (const auto& c : cases) {
        ProcessResult r = InitDb(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    EXPECT_EQ(List(folder), "") << "no database file is created by a refused init-db";
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
    EXPECT_EQ(Count(db, "COUNT(*) FROM [dbo].[SystemOverview]"), 3);
}

TEST(InitDbConnect, SqliteThroughAConnectionString) {
    testdb::TempDir folder;
    ExpectConnectCycle(testdb::SqliteConnect(folder.File("fleet.db")), "SQLite");
}

TEST(InitDbConnect, PostgreSQLServer) {
    const std::string admin = testdb::PostgresConnect();
    ASSERT_FALSE(admin.empty()) << HW_NO_POSTGRES;
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
                        "COUNT(*) FROM [dbo].[SystemOverview] WHERE Organisation "
                        "LIKE 'Brenner & S%hne GmbH' AND char_length(Organisation) = 20 "
                        "AND octet_length(Organisation) = 21"),
                  0);
    }
    // The console reports a PC of the fleet it just loaded.
    ProcessResult report = RunConsole({"report", "--connect", connect, "--pc", "1"});
    EXPECT_EQ(report.exitCode, 0) << report.err;
    EXPECT_NE(report.out.find("<html"), std::string::npos);
    EXPECT_NE(report.out.find("Brenner"), std::string::npos);
    server.ExecuteSQL("DROP DATABASE hwfleet");
}

}  // namespace
