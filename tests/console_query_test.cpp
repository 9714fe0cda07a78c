// hwconsole query: only a single SELECT runs, on a read-only connection, and
// its result comes back as the query document or the query page.
#include <gtest/gtest.h>

#include <string>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

class ConsoleQuery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(Db()).c_str());
        // PC 7 has a nearly full disk (5 %), PC 8 one at exactly 10 % (not under).
        for (const char* sql : {
                 "INSERT INTO SystemOverview (ID, OSID, Name, Memory) VALUES (7, 0, 'WS-<7>', "
                 "2048)",
                 "INSERT INTO SystemOverview (ID, OSID, Name, Memory) VALUES (8, 0, 'WS-8', 8192)",
                 "INSERT INTO LogicalDisk VALUES (7, 0, 0, 0, 'C:', 200, 10, 'NTFS')",
                 "INSERT INTO LogicalDisk VALUES (8, 0, 0, 0, 'C:', 200, 20, 'NTFS')",
                 "INSERT INTO CPU VALUES (7, 0, 1800, 'Other', 'Atom N270')",
             })
            connection.m_database.ExecuteSQL(sql);
    }
    static std::string Db() { return testdb::SampleFleet(); }
    static ProcessResult Query(std::vector<std::string> args) {
        args.insert(args.begin(), {"query", "--db", Db()});
        return RunConsole(args);
    }
};

TEST_F(ConsoleQuery, RefusesAnythingButOneSelect) {
    const struct {
        const char* sql;
        const char* message;
    } cases[] = {
        {"DELETE FROM CPU", "may not use DELETE"},
        {"SELECT 1; DROP TABLE CPU", "only a single statement"},
        {"SELECT 1;;", "only a single statement"},
        {"/* harmless */ UPDATE CPU SET Speed = 0", "may not use UPDATE"},
        {"WITH x AS (SELECT 1) INSERT INTO CPU SELECT * FROM x", "may not use INSERT"},
        {"SELECT * INTO Copy FROM CPU", "may not use INTO"},
        {"PRAGMA table_info(CPU)", "may not use PRAGMA"},
        {"VALUES (1)", "starts with VALUES"},
        {"SELECT 'unterminated", "unterminated string literal"},
        {"-- nothing but a comment", "the query is empty"},
    };
    for (const auto& c : cases) {
        ProcessResult r = Query({"--sql", c.sql});
        EXPECT_EQ(r.exitCode, 2) << c.sql;
        EXPECT_NE(r.err.find("refused: "), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.sql << ": " << r.err;
        EXPECT_TRUE(r.out.empty());
    }
    ProcessResult cpu = Query({"--sql", "SELECT COUNT(*) AS n FROM CPU", "--format", "xml"});
    EXPECT_NE(cpu.out.find("<Value>4</Value>"), std::string::npos) << "CPU is untouched\n"
                                                                   << cpu.out;
}

TEST_F(ConsoleQuery, KeywordsInsideLiteralsAndNamesAndCommentsAreData) {
    ProcessResult r = Query({"--sql",
                             "SELECT 'DROP TABLE CPU; --' AS \"delete\", [ID] AS [update]\n"
                             "FROM CPU -- ; DELETE\nWHERE Name = 'A&B';",
                             "--format", "xml"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("<Column>delete</Column>\r\n<Column type=\"number\">update</Column>"),
              std::string::npos)
        << r.out;
    EXPECT_NE(
        r.out.find("<Row>\r\n<Value>DROP TABLE CPU; --</Value>\r\n<Value>2</Value>\r\n</Row>"),
        std::string::npos)
        << r.out;
}

TEST_F(ConsoleQuery, ReadOnlyConnectionRefusesWrites) {
    CDataConnection connection;
    connection.Open(testdb::SqliteConnect(Db()).c_str(),
                    CDatabase::noOdbcDialog | CDatabase::openReadOnly);
    EXPECT_THROW(connection.m_database.ExecuteSQL("DELETE FROM dbo.CPU"), CDBException);
    EXPECT_THROW(connection.m_database.ExecuteSQL("CREATE TABLE t (x INTEGER)"), CDBException);
}

TEST_F(ConsoleQuery, NamedLowDiskListsOnlyDisksUnderTenPercent) {
    ProcessResult r = Query({"--named", "low-disk", "--format", "xml", "--company", "Acme & Co"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<QueryResult "
                          "title=\"Logical disks under 10 % free\" company=\"Acme &amp; Co\" ",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("<Column type=\"number\">PC</Column>\r\n<Column>System</Column>\r\n"
                         "<Column>Volume</Column>"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("<Row>\r\n<Value>7</Value>\r\n<Value>WS-&lt;7&gt;</Value>\r\n"
                         "<Value>C:</Value>\r\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("<Value>5</Value>\r\n</Row>\r\n</QueryResult>\r\n"), std::string::npos);
    EXPECT_EQ(r.out.find("<Value>8</Value>"), std::string::npos) << "10 % free is not under 10 %";
    EXPECT_EQ(r.out.find("<Row>", r.out.find("<Row>") + 1), std::string::npos) << "one row only";
}

TEST_F(ConsoleQuery, NamedQueriesAsThePage) {
    testdb::TempDir dir;
    ProcessResult cpu =
        Query({"--named", "cpu", "--like", "core x", "--out", dir.File("cpu.html")});
    ASSERT_EQ(cpu.exitCode, 0) << cpu.err;
    const std::string page = testdb::ReadText(dir.File("cpu.html"));
    EXPECT_NE(page.find("<title>Processors matching \"core x\"</title>"), std::string::npos)
        << page;
    EXPECT_NE(page.find("Core X 5600"), std::string::npos);
    EXPECT_EQ(page.find("Atom"), std::string::npos);

    ProcessResult memory = Query({"--named", "memory-below", "--mb", "4096"});
    ASSERT_EQ(memory.exitCode, 0) << memory.err;
    EXPECT_NE(memory.out.find("WS-&lt;7&gt;"), std::string::npos) << memory.out;
    EXPECT_EQ(memory.out.find("WS-8"), std::string::npos);

    ProcessResult none = Query({"--sql", "SELECT Name FROM CPU WHERE ID = 12345"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_NE(none.out.find("<html"), std::string::npos);
    EXPECT_EQ(none.out.find("<tbody>"), std::string::npos) << "no rows, no table body";
}

}  // namespace
