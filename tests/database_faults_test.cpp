// Database faults injected the way they happen in the field: tables that are
// gone or renamed before or during a report, values of the wrong type, and
// SQLite files that are missing, not a database, locked by a writer or
// corrupt. Whatever the fault, the report stops at the section that met it
// (closed if it was opened), the database exception reaches the host through
// the export, and the database is left exactly as it was.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/ModuleState.h"
#include "platform/Transaction.h"
#include "report/ReportGenerator.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"
#include "tests/TestReport.h"

namespace {

const char* const kSections[] = {"SystemOverview",  "CPU_BIOS",      "MotherBoard_Slots",
                                 "NetworkAdapters", "VideoAdapters", "DiskDrives",
                                 "Printers",        "Peripherals",   "Additional"};

std::string BuildDocument(CDataConnection& connection, int pc, CString& document) {
    const DisplayRequest request = testreport::Request(connection, pc);
    ReportGenerator generator("");
    try {
        generator.BuildDocument(&request, document);
    } catch (const CDBException& e) {
        return e.what();
    }
    return std::string();
}

// A report that met a database error in section `failing`: what was written
// is the good report's text up to the failure, followed by the failing
// section's end tag when its start tag had been written, and nothing else.
void ExpectCutShortAt(const std::string& text, const std::string& good,
                      const std::string& failing) {
    const std::string start = "<" + failing + ">\r\n", end = "</" + failing + ">\r\n";
    std::string written = text;
    const bool opened = text.find(start) != std::string::npos;
    if (opened) {
        ASSERT_GE(text.size(), end.size());
        ASSERT_EQ(text.substr(text.size() - end.size()), end)
            << "the section that failed was left open:\n"
            << text;
        written.resize(text.size() - end.size());
        EXPECT_EQ(written.find(end), std::string::npos) << "section closed twice:\n" << text;
    }
    ASSERT_EQ(good.compare(0, written.size(), written), 0)
        << "what was written differs from the good report:\n"
        << text;
    if (!opened) {
        EXPECT_EQ(good.compare(written.size(), start.size(), start), 0)
            << "the report did not stop right before section " << failing << ":\n"
            << text;
    }
    bool later = false;
    for (const char* section : kSections) {
        if (later) {
            EXPECT_EQ(text.find("<" + std::string(section) + ">"), std::string::npos)
                << section << " was written after the failing " << failing;
        }
        if (failing == section) later = true;
    }
    EXPECT_EQ(text.find("</HARDWARE>"), std::string::npos);
}

class DatabaseFaults : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new testdb::TempDir();
        s_template = s_dir->File("template.db");
        testdb::CreateSqliteDatabase(s_template, {HW_TEST_DATA "/report-pcs.sql"});
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(s_template).c_str());
        CString document;
        ASSERT_EQ(BuildDocument(connection, 2, document), "");
        s_good = document.str();
    }
    static void TearDownTestSuite() { delete s_dir; }

    // A private copy of the hand-written PCs (PC 2 has rows in every table).
    std::string FreshCopy() {
        const std::string file = m_dir.File("fleet.db");
        std::filesystem::copy_file(s_template, file,
                                   std::filesystem::copy_options::overwrite_existing);
        return file;
    }

    // Display through the export must let the exception through and leave
    // the host string empty; returns the exception's text.
    std::string DisplayThroughExport(CDataConnection& connection) {
        const DisplayRequest request = testreport::Request(connection, 2);
        CString host("text on entry");
        std::string error;
        try {
            testreport::Component().Display(&request, &host);
            ADD_FAILURE() << "Display returned although the database failed";
        } catch (const CDBException& e) {
            error = e.what();
        }
        EXPECT_TRUE(host.IsEmpty());
        EXPECT_EQ(AfxGetApp(), nullptr) << "the caller's module state must be current again";
        return error;
    }

    // The whole fault check on an open SQLite connection: the document stops
    // at `failing`, the export passes the exception on, the file is unchanged.
    void ExpectFaultAt(CDataConnection& connection, const std::string& file,
                       const std::string& failing, const std::string& errorHas) {
        const std::string before = testdb::ReadText(file);
        CString document;
        const std::string error = BuildDocument(connection, 2, document);
        ASSERT_FALSE(error.empty()) << "the report did not fail";
        EXPECT_NE(error.find(errorHas), std::string::npos) << error;
        ExpectCutShortAt(document.str(), s_good, failing);
        EXPECT_EQ(DisplayThroughExport(connection), error);
        EXPECT_TRUE(testdb::ReadText(file) == before) << "the report changed the database file";
    }

    static testdb::TempDir* s_dir;
    static std::string s_template;
    static std::string s_good;
    testdb::TempDir m_dir;
};
testdb::TempDir* DatabaseFaults::s_dir = nullptr;
std::string DatabaseFaults::s_template;
std::string DatabaseFaults::s_good;

// Which section reads each table first.
const std::pair<const char*, const char*> kTableSections[] = {
    {"SystemOverview", "SystemOverview"},
    {"BIOS", "SystemOverview"},  // maker and model come from BIOS row 0
    {"CPU", "CPU_BIOS"},
    {"MotherBoard", "MotherBoard_Slots"},
    {"PhysicalMemory", "MotherBoard_Slots"},
    {"SystemSlot", "MotherBoard_Slots"},
    {"NetworkAdapter", "NetworkAdapters"},
    {"NetworkIPAddress", "NetworkAdapters"},
    {"VideoAdapter", "VideoAdapters"},
    {"Monitor", "VideoAdapters"},
    {"DiskDrive", "DiskDrives"},
    {"LogicalDisk", "DiskDrives"},
    {"Printer", "Printers"},
    {"SoundCard", "Peripherals"},
    {"Keyboard", "Peripherals"},
    {"PointingDevice", "Peripherals"},
    {"PeripheralDevice", "Peripherals"},
    {"AdditionalHardwareDevice", "Additional"},
    {"AdditionalHardwareProperty", "Additional"},
    {"AdditionalHardware", "Additional"},
};

TEST_F(DatabaseFaults, EveryTableDroppedOrRenamedStopsTheReportAtItsSection) {
    bool drop = true;
    for (const auto& [table, section] : kTableSections) {
        SCOPED_TRACE(std::string(drop ? "dropped " : "renamed ") + table);
        const std::string file = FreshCopy();
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(file).c_str());
        connection.m_database.ExecuteSQL(
            (drop ? "DROP TABLE " + std::string(table)
                  : "ALTER TABLE " + std::string(table) + " RENAME TO Old" + table)
                .c_str());
        ExpectFaultAt(connection, file, section, table);
        drop = !drop;
    }
}

TEST_F(DatabaseFaults, TextInNumericColumnsIsReadAsANumberOrFailsCleanly) {
    const std::string file = FreshCopy();
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(file).c_str());
    // SQLite keeps what it cannot convert as text, in any column.
    connection.m_database.ExecuteSQL("UPDATE CPU SET Speed = 'abc' WHERE ID = 2");
    connection.m_database.ExecuteSQL("UPDATE DiskDrive SET Capacity = 'lots' WHERE ID = 2");
    connection.m_database.ExecuteSQL("UPDATE Printer SET State = x'00ff' WHERE ID = 2");
    const std::string before = testdb::ReadText(file);
    CString document;
    const std::string error = BuildDocument(connection, 2, document);
    EXPECT_EQ(error, "");
    const std::string text = document.str();
    EXPECT_NE(text.find("<ClockSpeed>0 MHz</ClockSpeed>"), std::string::npos) << text;
    EXPECT_NE(text.find("</HARDWARE>"), std::string::npos);
    EXPECT_TRUE(testdb::ReadText(file) == before);
}

TEST_F(DatabaseFaults, MissingFileFolderOrForeignBytesAreRefusedAndLeftAsTheyWere) {
    const std::string file = m_dir.File("missing.db");
    CDataConnection connection;
    std::string error;
    try {
        connection.Open(testdb::SqliteConnect(file).c_str());
        error = DisplayThroughExport(connection);
    } catch (const CDBException& e) {
        error = e.what();  // a driver that refuses to create the file says so here
    }
    EXPECT_NE(error.find("SystemOverview"), std::string::npos) << error;
    EXPECT_EQ(testdb::ReadText(file), "") << "the report must not create anything";

    // Root reads any file whatever its mode; a folder or foreign bytes in
    // place of the database are what stays unreadable.
    const std::string folder = m_dir.File("folder.db");
    std::filesystem::create_directory(folder);
    CDataConnection onFolder, onText;
    EXPECT_THROW(onFolder.Open(testdb::SqliteConnect(folder).c_str()), CDBException);
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    const std::string text = m_dir.File("notes.db");
    testdb::WriteText(text, std::string(8192, 'x'));
    const std::string before = testdb::ReadText(text);
    EXPECT_THROW(onText.Open(testdb::SqliteConnect(text).c_str()), CDBException);
    EXPECT_TRUE(testdb::ReadText(text) == before);
}

TEST_F(DatabaseFaults, FileOverwrittenUnderAnOpenConnectionFailsTheFirstSection) {
    const std::string file = FreshCopy();
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(file).c_str());
    {
        // In place, so the open connection sees the new bytes.
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        out << std::string(100, 'x');
    }
    ExpectFaultAt(connection, file, "SystemOverview", "not a database");
}

TEST_F(DatabaseFaults, CorruptPagesOfOneTableStopTheReportThere) {
    const std::string file = FreshCopy();
    const ProcessResult pages = RunProcess(
        {"/usr/bin/sqlite3", file,
         "PRAGMA page_size; SELECT rootpage FROM sqlite_master WHERE tbl_name = 'Printer'"});
    ASSERT_EQ(pages.exitCode, 0) << pages.err;
    std::stringstream numbers(pages.out);
    long pageSize = 0, page = 0;
    numbers >> pageSize;
    int damaged = 0;
    {
        std::fstream out(file, std::ios::in | std::ios::out | std::ios::binary);
        while (numbers >> page) {
            out.seekp((page - 1) * pageSize);
            out << std::string(pageSize, '\xA5');
            ++damaged;
        }
    }
    ASSERT_GE(damaged, 1);
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(file).c_str());
    ExpectFaultAt(connection, file, "Printers", "malformed");
}

TEST_F(DatabaseFaults, WriterHoldingAnExclusiveLockFailsTheReportWhichRecoversAfterwards) {
    const std::string file = FreshCopy();
    // A plain session on the file, as another program would hold it.
    CDatabase writer;
    writer.OpenEx((testdb::SqliteConnect(file) + ";Timeout=200").c_str());
    CDataConnection connection;
    // The host chooses how long to wait for a lock (the driver's default is 100 s).
    connection.Open((testdb::SqliteConnect(file) + ";Timeout=200").c_str());
    writer.ExecuteSQL("BEGIN EXCLUSIVE");
    ExpectFaultAt(connection, file, "SystemOverview", "locked");
    writer.ExecuteSQL("COMMIT");
    CString document;
    EXPECT_EQ(BuildDocument(connection, 2, document), "");
    EXPECT_EQ(document.str(), s_good);
}

// ---------------------------------------------------------------------------
// PostgreSQL: a second session changes the schema while a report runs.

class PostgresFaults : public ::testing::Test {
protected:
    void SetUp() override {
        m_connect = testdb::PostgresConnect();
        ASSERT_FALSE(m_connect.empty()) << "PostgreSQL is not available";
        m_setup.Open(m_connect.c_str());
        m_setup.m_database.ExecuteSQL("DROP SCHEMA IF EXISTS dbo CASCADE");
        testdb::RunSqlFile(m_setup.m_database, HW_SOURCE_DIR "/schema/postgresql.sql");
        testdb::RunSqlFile(m_setup.m_database, HW_TEST_DATA "/report-pcs.sql");
    }
    std::string m_connect;
    CDataConnection m_setup;
};

// The report's session blocks on the lock of `table` while the other session
// holds it, so the schema change lands exactly between two of its reads.
// Returns what the report wrote.
std::string ChangeTableMidReport(const std::string& connect, const std::string& table,
                                 const std::string& change, const std::string& failing,
                                 const std::string& untouched) {
    CDataConnection reader, other, observer;
    reader.Open(connect.c_str());
    other.Open(connect.c_str());
    observer.Open(connect.c_str());
    CString good;
    EXPECT_EQ(BuildDocument(reader, 2, good), "");
    const std::string digest = testdb::PostgresDigest(observer.m_database, untouched);

    CTransaction transaction(other.m_database);
    other.m_database.ExecuteSQL(("LOCK TABLE dbo." + table + " IN ACCESS EXCLUSIVE MODE").c_str());
    CString document;
    std::string error;
    std::thread report([&] { error = BuildDocument(reader, 2, document); });
    // Wait until the report stands at the locked table; bounded, so a report
    // that never gets there fails the test instead of hanging it.
    const std::string waiting =
        "SELECT count(*) FROM pg_locks WHERE NOT granted AND relation = 'dbo." + table +
        "'::regclass";
    bool blocked = false;
    for (int i = 0; i < 3000 && !blocked; ++i) {
        blocked = testdb::QueryNumber(observer.m_database, waiting) != 0;
        if (!blocked) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_TRUE(blocked) << "the report never reached table " << table;
    other.m_database.ExecuteSQL(change.c_str());
    transaction.Commit();
    report.join();

    EXPECT_FALSE(error.empty()) << "the report did not fail";
    EXPECT_NE(error.find(table), std::string::npos) << error;
    ExpectCutShortAt(document.str(), good.str(), failing);
    EXPECT_EQ(testdb::PostgresDigest(observer.m_database, untouched), digest)
        << "the report wrote to the database";
    return document.str();
}

TEST_F(PostgresFaults, TableDroppedByAnotherSessionInTheMiddleOfTheReport) {
    // The memory slots are read after the mother board row was written.
    const std::string text =
        ChangeTableMidReport(m_connect, "physicalmemory", "DROP TABLE dbo.physicalmemory",
                             "MotherBoard_Slots", "'physicalmemory'");
    EXPECT_NE(text.find("<MotherBoard_Slots>\r\n<MotherBoard>"), std::string::npos) << text;
}

TEST_F(PostgresFaults, TableRenamedByAnotherSessionInTheMiddleOfTheReport) {
    ChangeTableMidReport(m_connect, "printer", "ALTER TABLE dbo.printer RENAME TO oldprinter",
                         "Printers", "'printer', 'oldprinter'");
}

TEST_F(PostgresFaults, ColumnRecreatedAsTextIsReadAsZero) {
    m_setup.m_database.ExecuteSQL("ALTER TABLE dbo.cpu ALTER COLUMN speed TYPE text");
    m_setup.m_database.ExecuteSQL("UPDATE dbo.cpu SET speed = 'fast' WHERE id = 2");
    const std::string digest = testdb::PostgresDigest(m_setup.m_database);
    CDataConnection connection;
    connection.Open(m_connect.c_str());
    CString document;
    EXPECT_EQ(BuildDocument(connection, 2, document), "");
    // The driver converts what it cannot read as a number to 0, as SQLite's does.
    std::string expected = testdb::ReadText(HW_TEST_DATA "/expected/pc2-full-desktop.xml");
    for (size_t at; (at = expected.find("2400 MHz")) != std::string::npos;)
        expected.replace(at, 4, "0");
    EXPECT_EQ(document.str(), expected);
    EXPECT_EQ(testdb::PostgresDigest(m_setup.m_database), digest);
}

}  // namespace
