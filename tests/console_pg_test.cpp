// hwconsole against the PostgreSQL test server: batch workers on server
// connections, a connection that dies in the middle of a batch, and a query
// as the role that can only read.
#include <gtest/gtest.h>

#include <string>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

class ConsolePostgres : public ::testing::Test {
protected:
    void SetUp() override {
        m_connect = testdb::PostgresConnect();
        ASSERT_FALSE(m_connect.empty()) << HW_NO_POSTGRES;
        m_connection.Open(m_connect.c_str());
        m_connection.m_database.ExecuteSQL("DROP SCHEMA IF EXISTS dbo CASCADE");
        testdb::RunSqlFile(m_connection.m_database, HW_SOURCE_DIR "/schema/postgresql.sql");
        testdb::RunSqlFile(m_connection.m_database, HW_TEST_DATA "/report-pcs.sql");
    }
    std::string m_connect;
    CDataConnection m_connection;
};

TEST_F(ConsolePostgres, BatchWorkersWriteWhatSqliteGives) {
    testdb::TempDir dir;
    ProcessResult pg = RunConsole({"batch", "--connect", m_connect, "--pcs", "2-6", "--jobs", "2",
                                   "--format", "xml", "--out-dir", dir.File("pg")});
    ASSERT_EQ(pg.exitCode, 0) << pg.err;
    ProcessResult lite =
        RunConsole({"batch", "--db", testdb::SampleFleet(), "--pcs", "2-6", "--jobs", "1",
                    "--format", "xml", "--out-dir", dir.File("lite")});
    ASSERT_EQ(lite.exitCode, 0) << lite.err;
    for (int pc = 2; pc <= 6; ++pc) {
        const std::string name = "/pc-" + std::to_string(pc) + ".xml";
        EXPECT_FALSE(testdb::ReadText(dir.File("pg") + name).empty()) << name;
        EXPECT_EQ(testdb::ReadText(dir.File("pg") + name),
                  testdb::ReadText(dir.File("lite") + name))
            << name;
    }
}

TEST_F(ConsolePostgres, AWorkerWhoseConnectionDiesReconnectsForTheNextPc) {
    // Reading PC 3's monitors ends the reading session itself, as a server
    // restart or a killed backend would.
    for (const char* sql : {
             "ALTER TABLE dbo.monitor RENAME TO monitor_rows",
             "CREATE VIEW dbo.monitor AS SELECT * FROM dbo.monitor_rows WHERE CASE WHEN id = 3 "
             "THEN pg_terminate_backend(pg_backend_pid()) ELSE true END",
         })
        m_connection.m_database.ExecuteSQL(sql);
    testdb::TempDir dir;
    ProcessResult r = RunConsole({"batch", "--connect", m_connect, "--pcs", "2,3,4,5", "--jobs",
                                  "1", "--out-dir", dir.Path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("PC 3: database error: SQLSTATE"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("PC 4"), std::string::npos) << "PC 4 gets a fresh connection\n" << r.err;
    EXPECT_NE(r.out.find("batch: 3 done, 1 failed"), std::string::npos) << r.out;
    EXPECT_FALSE(testdb::ReadText(dir.File("pc-5.html")).empty());
}

TEST_F(ConsolePostgres, QueryRunsAsTheRoleThatCanOnlyRead) {
    ProcessResult r = RunConsole({"query", "--connect", testdb::PostgresReaderConnect(), "--named",
                                  "cpu", "--like", "core", "--format", "xml"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(
        r.out.find("<Value>2</Value>\r\n<Value>WS-0002</Value>\r\n<Value>Core X 5600</Value>"),
        std::string::npos)
        << r.out;
    // The named queries' SQL runs on PostgreSQL too.
    for (const std::vector<std::string>& named : std::vector<std::vector<std::string>>{
             {"--named", "low-disk"}, {"--named", "memory-below", "--mb", "99999"}}) {
        std::vector<std::string> args{"query", "--connect", testdb::PostgresReaderConnect()};
        args.insert(args.end(), named.begin(), named.end());
        const ProcessResult result = RunConsole(args);
        EXPECT_EQ(result.exitCode, 0) << named[1] << ": " << result.err;
    }
}

}  // namespace
