// hwconsole query: only a single SELECT runs, on a read-only connection, and
// its result comes back as the query document or the query page. The query
// guard runs on both backends.
#include <gtest/gtest.h>
#include <libxml/parser.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/QuerySession.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

class ConsoleQuery : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(Db()).c_str());
        // PC 7 has a nearly full disk (5 %), PC 8 one at exactly 10 % (not under), PC 9 a
        // fuller one (1 %), memory the scan could not read, and two discs, always full.
        for (const char* sql : {
                 "INSERT INTO SystemOverview (ID, OSID, Name, Memory) VALUES (7, 0, 'WS-<7>', "
                 "2048)",
                 "INSERT INTO SystemOverview (ID, OSID, Name, Memory) VALUES (8, 0, 'WS-8', 8192)",
                 "INSERT INTO SystemOverview (ID, OSID, Name, Memory) VALUES (9, 0, 'WS-9', -1)",
                 "INSERT INTO LogicalDisk VALUES (7, 0, 0, 0, 'C:', 200, 10, 'NTFS')",
                 "INSERT INTO LogicalDisk VALUES (8, 0, 0, 0, 'C:', 200, 20, 'NTFS')",
                 "INSERT INTO LogicalDisk VALUES (9, 0, 0, 0, 'C:', 1861.66514923096, 18.6, "
                 "'NTFS')",
                 "INSERT INTO LogicalDisk VALUES (9, 1, 1, 0, 'D:', 4.37, 0, 'CDFS')",
                 "INSERT INTO LogicalDisk VALUES (9, 2, 0, 0, 'E:', 8.5, 0, 'udf  ')",
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

TEST_F(ConsoleQuery, NamedLowDiskListsFullestDisksFirstAndNoDiscs) {
    ProcessResult r = Query({"--named", "low-disk", "--format", "xml", "--company", "Acme & Co"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\r\n<QueryResult "
                          "title=\"Logical disks under 10 % free\" company=\"Acme &amp; Co\" ",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("<Column type=\"number\">PC</Column>\r\n<Column link=\"pc\">System</"
                         "Column>\r\n<Column>Volume</Column>\r\n<Column>File system</Column>\r\n"
                         "<Column type=\"number\" decimals=\"2\">Size (GB)</Column>"),
              std::string::npos)
        << r.out;
    // PC 9's C: at 1 % before PC 7's at 5 %; 10 % free is not under 10 %, and
    // neither disc counts.
    const size_t nine = r.out.find(
        "<Row pc=\"9\">\r\n<Value>9</Value>\r\n<Value>WS-9</Value>\r\n"
        "<Value>C:</Value>\r\n");
    const size_t seven = r.out.find(
        "<Row pc=\"7\">\r\n<Value>7</Value>\r\n<Value>WS-&lt;7&gt;"
        "</Value>\r\n<Value>C:</Value>\r\n");
    EXPECT_LT(nine, seven) << r.out;
    EXPECT_NE(seven, std::string::npos) << r.out;
    EXPECT_NE(r.out.find("<Value>5</Value>\r\n</Row>\r\n</QueryResult>\r\n"), std::string::npos);
    for (const char* absent : {"<Value>8</Value>", "D:", "E:"})
        EXPECT_EQ(r.out.find(absent), std::string::npos) << absent << "\n" << r.out;
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

    // The text is matched as written: its % and _ are no wildcards.
    for (const char* like : {"%", "_"}) {
        ProcessResult wildcard = Query({"--named", "cpu", "--like", like});
        ASSERT_EQ(wildcard.exitCode, 0) << wildcard.err;
        EXPECT_NE(wildcard.out.find("No PC matches this query."), std::string::npos) << like;
    }

    // Least memory first, the unreadable -1 last as a dash; names link to the PC pages.
    ProcessResult memory =
        Query({"--named", "memory-below", "--mb", "4096", "--pc-link", "pc-{id}.html"});
    ASSERT_EQ(memory.exitCode, 0) << memory.err;
    EXPECT_LT(memory.out.find("<a href=\"pc-7.html\">WS-&lt;7&gt;</a>"),
              memory.out.find("<a href=\"pc-9.html\">WS-9</a></td><td data-label=\"Memory "
                              "(MB)\" class=\"num\"><span class=\"none\""))
        << memory.out;
    EXPECT_EQ(memory.out.find("WS-8"), std::string::npos);

    ProcessResult none = Query({"--sql", "SELECT Name FROM CPU WHERE ID = 12345"});
    ASSERT_EQ(none.exitCode, 0) << none.err;
    EXPECT_NE(none.out.find("<html"), std::string::npos);
    EXPECT_EQ(none.out.find("<tbody>"), std::string::npos) << "no rows, no table body";
}

TEST_F(ConsoleQuery, XmlOutputHoldsAnyBytesAsTextAndMarksCutValues) {
    const std::string wide(5000, 'w');
    ProcessResult r = Query({"--sql",
                             "SELECT CAST(x'41FF42' AS TEXT) AS \"odd\xFFname\", "
                             "'a' || char(65534) || char(65535) AS v, '" +
                                 wide + "' AS wide",
                             "--format", "xml"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    xmlDocPtr doc = xmlReadMemory(r.out.data(), static_cast<int>(r.out.size()), nullptr, nullptr,
                                  XML_PARSE_NONET);
    EXPECT_NE(doc, nullptr) << "not well formed:\n" << r.out;
    xmlFreeDoc(doc);
    for (const char* text : {"<Column>odd\xEF\xBF\xBDname</Column>",
                             "<Value>A\xEF\xBF\xBD"
                             "B</Value>",
                             "<Value>a\xEF\xBF\xBD\xEF\xBF\xBD</Value>"})
        EXPECT_NE(r.out.find(text), std::string::npos) << text << "\n" << r.out;
    EXPECT_NE(r.out.find("<Value>" + wide.substr(0, 4095) + "\xE2\x80\xA6</Value>"),
              std::string::npos)
        << "a cut value ends in the cut mark";
}

// ---------------------------------------------------------------------------
// The query guard. Every statement below was sent by an attacker: the check
// refuses each, and run past the check on a read-only session, the database
// stops or undoes it. EXTENSION stands for a library that leaves a mark when
// loaded, MARKER for that mark.

const char* const kHostileQueries[] = {
    // several statements behind quoting that the check once misread
    "SELECT E'\\'' AS a; COMMIT; BEGIN READ WRITE; DELETE FROM dbo.cpu WHERE id = 2; COMMIT; "
    "SELECT E'\\''",
    "SELECT $$'$$ AS a; CREATE TABLE dbo.planted (x INT); SELECT $$'$$",
    "SELECT NAME'\\' AS a; DELETE FROM dbo.cpu; SELECT '\\'",
    "SELECT 1 AS a; SET SESSION CHARACTERISTICS AS TRANSACTION READ WRITE",
    "SELECT 1 /* /* */, load_extension('EXTENSION') /* */ */",
    // native code, files and server state through functions, quoted or not
    "SELECT \"load_extension\"('EXTENSION')",
    "SELECT [load_extension]('EXTENSION')",
    "SELECT `load_extension`('EXTENSION')",
    "SELECT {fn load_extension('EXTENSION')}",
    "SELECT blob_export(x'41', 'MARKER')",
    "SELECT lo_from_bytea(0, 'x')",
    "SELECT lo_create(0)",
    "SELECT lo_unlink(l.oid) FROM pg_largeobject_metadata l",
    "SELECT pg_stat_reset()",
    "SELECT * FROM pg_stat_file('/etc/shadow')",
    "SELECT * FROM pg_ls_waldir()",
    "SELECT \"pg_read_file\"('/etc/passwd')",
    "SELECT \"lo_import\"('/etc/passwd')",
    "SELECT \"set_config\"('default_transaction_read_only', 'off', false)",
    "SELECT \"pg_ls_dir\"('.')",
    "SELECT pg_catalog.pg_read_file('/etc/passwd')",
    "SELECT pg_read_file -- '\n[]('/etc/passwd') -- '",
    "SELECT set_config('role', 'hwowner', false)",
    "SELECT pg_sleep(3)",
    // writes and locks inside one SELECT
    "WITH gone AS (DELETE FROM dbo.cpu RETURNING *) SELECT * FROM gone",
    "SELECT * INTO dbo.copied FROM dbo.cpu",
    "SELECT * FROM dbo.cpu FOR UPDATE",
};

class QueryGuard : public ::testing::TestWithParam<testdb::Backend> {
protected:
    void SetUp() override {
        if (IsPostgres()) {
            const std::string owner = testdb::PostgresConnect();
            ASSERT_FALSE(owner.empty()) << HW_NO_POSTGRES;
            m_owner.Open(owner.c_str());
            m_owner.m_database.ExecuteSQL("DROP SCHEMA IF EXISTS dbo CASCADE");
            testdb::RunSqlFile(m_owner.m_database, HW_SOURCE_DIR "/schema/postgresql.sql");
            testdb::RunSqlFile(m_owner.m_database, HW_TEST_DATA "/report-pcs.sql");
            m_owner.m_database.ExecuteSQL("SELECT lo_from_bytea(0, 'kept')");  // one to lose
            m_connect = testdb::PostgresReaderConnect();
            m_where = {"--connect", m_connect};
        } else {
            m_file = m_dir.File("fleet.db");
            testdb::CreateSqliteDatabase(m_file, {HW_TEST_DATA "/report-pcs.sql"});
            m_connect = testdb::SqliteConnect(m_file);
            m_where = {"--db", m_file};
        }
    }
    bool IsPostgres() const { return GetParam() == testdb::Backend::PostgreSQL; }
    // Every row of every table (and, on PostgreSQL, the large objects).
    std::string Digest() {
        if (!IsPostgres()) return testdb::ReadText(m_file);
        return testdb::PostgresDigest(m_owner.m_database) + " " +
               testdb::QueryText(m_owner.m_database,
                                 "SELECT count(*) FROM pg_largeobject_metadata");
    }
    ProcessResult Query(std::vector<std::string> args) {
        args.insert(args.begin(), m_where.begin(), m_where.end());
        args.insert(args.begin(), "query");
        return RunConsole(args);
    }

    testdb::TempDir m_dir;
    std::string m_file;
    std::string m_connect;
    std::vector<std::string> m_where;
    CDataConnection m_owner;
};

TEST_P(QueryGuard, HostileQueriesAreRefusedAndTheDatabaseStopsThemAnyway) {
    const std::string marker = m_dir.File("marker");
    setenv("HW_MARKER_FILE", marker.c_str(), 1);
    auto hostile = [&](std::string sql) {
        for (const auto& [word, value] :
             {std::pair<std::string, std::string>{"EXTENSION", HW_MARKER_EXTENSION},
              {"MARKER", marker}})
            for (size_t at; (at = sql.find(word)) != std::string::npos;)
                sql.replace(at, word.size(), value);
        return sql;
    };
    const std::string before = Digest();
    ASSERT_FALSE(before.empty());
    // The check refuses; where this database reads a string as one statement
    // of nonsense, the database refuses it instead.
    for (const char* query : kHostileQueries) {
        ProcessResult r = Query({"--sql", hostile(query), "--format", "xml"});
        const bool refused = r.exitCode == 2 && r.err.rfind("hwconsole: refused: ", 0) == 0;
        const bool failed = r.exitCode == 1 && r.err.rfind("hwconsole: database error: ", 0) == 0;
        EXPECT_TRUE(refused || failed) << query << "\n" << r.err << r.out;
    }
    // A call the database would allow the reader is still the guard's to refuse.
    ProcessResult call = Query({"--sql", "SELECT 1, pg_sleep(0)"});
    EXPECT_EQ(call.exitCode, 2) << call.err;
    // Past the check, straight to a read-only session.
    CDataConnection session;
    session.Open(m_connect.c_str(), CDatabase::noOdbcDialog | CDatabase::openReadOnly);
    for (const char* query : kHostileQueries) {
        try {
            CQueryScope scope(session.m_database, std::chrono::seconds(1));
            testdb::QueryText(session.m_database, hostile(query));
        } catch (const CDBException&) {
            // refused by the database: what counts is what is left
        }
    }
    EXPECT_EQ(Digest(), before);
    EXPECT_FALSE(std::filesystem::exists(marker)) << "a query loaded a library or wrote a file";

    if (!IsPostgres()) {
        // The control: an ordinary connection of the same driver does load it.
        CDataConnection ordinary;
        ordinary.Open(m_connect.c_str());
        EXPECT_THROW(
            testdb::QueryText(ordinary.m_database, hostile("SELECT load_extension('EXTENSION')")),
            CDBException);
        EXPECT_TRUE(std::filesystem::exists(marker));
    }
}

TEST_P(QueryGuard, StopsAtItsRowAndTimeLimits) {
    const std::string endless = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) ";
    ProcessResult rows =
        Query({"--sql", endless + "SELECT i FROM n", "--max-rows", "5", "--format", "xml"});
    ASSERT_EQ(rows.exitCode, 0) << rows.err;
    EXPECT_NE(rows.out.find(" cutAt=\"5\">"), std::string::npos) << rows.out;
    EXPECT_NE(rows.out.find("<Value>5</Value>\r\n</Row>\r\n</QueryResult>"), std::string::npos)
        << rows.out;

    ProcessResult time = Query({"--sql", endless + "SELECT count(*) FROM n", "--timeout", "1"});
    EXPECT_EQ(time.exitCode, 1);
    EXPECT_NE(time.err.find("the query was stopped after 1 s: "), std::string::npos)
        << time.err;

    if (IsPostgres()) {
        // A role that can write is no place for a user's statement.
        ProcessResult owner = RunConsole({"query", "--connect", testdb::PostgresConnect(), "--sql",
                                          "SELECT 1", "--format", "xml"});
        EXPECT_EQ(owner.exitCode, 1);
        EXPECT_NE(owner.err.find("refused: the connection's role hwowner may write dbo."),
                  std::string::npos)
            << owner.err;
    } else {
        ProcessResult page = Query({"--sql", endless + "SELECT i FROM n", "--max-rows", "5"});
        EXPECT_NE(page.out.find("The result was cut at 5 rows"), std::string::npos);
    }
}

HW_ON_BOTH_BACKENDS(QueryGuard);

}  // namespace
