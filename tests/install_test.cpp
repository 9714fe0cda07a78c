// The installed tree: `cmake --install` into a fresh prefix gives the suite's
// layout, and the installed hwconsole works from there.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

TEST(Installation, InstalledConsoleRunsFromItsOwnTree) {
    testdb::TempDir prefix;
    ProcessResult install =
        RunProcess({HW_CMAKE_COMMAND, "--install", HW_BUILD_DIR, "--prefix", prefix.Path()});
    ASSERT_EQ(install.exitCode, 0) << install.out << install.err;
    for (const char* file :
         {"bin/hwconsole", "Components/HardwareListH.so", "lib/libhwplatform.so",
          "Styles/StdHardwareStyleSheet.xsl", "Styles/HardwareComponentQuery.xsl",
          "Styles/print/StdHardwareStyleSheet.xsl", "Styles/text/StdHardwareStyleSheet.xsl",
          "Styles/xml/StdHardwareStyleSheet.xsl", "schema/sqlite.sql", "schema/postgresql.sql",
          "schema/sqlserver.sql"})
        EXPECT_EQ(access(prefix.File(file).c_str(), R_OK), 0) << file;

    const std::string console = prefix.File("bin/hwconsole");
    ProcessResult info = RunProcess({console, "info"});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("component:         " + prefix.Path() + "/Components/HardwareListH.so"),
              std::string::npos)
        << info.out;

    // A database made from the installed schema, reported with the installed stylesheets.
    const std::string db = prefix.File("fleet.db");
    {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(db).c_str());
        testdb::RunSqlFile(connection.m_database, prefix.File("schema/sqlite.sql"));
        testdb::RunSqlFile(connection.m_database, HW_TEST_DATA "/report-pcs.sql");
    }
    ProcessResult html = RunProcess({console, "report", "--db", db, "--pc", "2"});
    ASSERT_EQ(html.exitCode, 0) << html.err;
    EXPECT_NE(html.out.find("Samsung SSD 980"), std::string::npos);
}

}  // namespace
