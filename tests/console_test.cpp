// hwconsole run as a user runs it: a subprocess, its output and exit code.
#include <gtest/gtest.h>

#include <string>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kBuild = HW_BUILD_DIR;
const std::string kConsole = kBuild + "/bin/hwconsole";

TEST(ConsoleInfo, ShowsTheVerifiedComponent) {
    ProcessResult r = RunProcess({kConsole, "info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("identity:          3"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Hardware Inventory"), std::string::npos);
    EXPECT_NE(r.out.find("HardwareComponentQuery.xsl"), std::string::npos);
    EXPECT_NE(r.out.find("message VYNGETLOADEDCOMPONENTS:     0xC"), std::string::npos);
    EXPECT_NE(r.out.find(kBuild + "/Components/HardwareListH.so"), std::string::npos)
        << "the component is found beside the program's own folder";
}

TEST(ConsoleInfo, RefusesWhatIsNotTheComponent) {
    struct Case {
        std::string component;
        std::string message;
    } cases[] = {
        {kBuild + "/no/such/HardwareListH.so", "component not found"},
        {HW_SOURCE_DIR "/CMakeLists.txt", "cannot load component"},
        {kBuild + "/lib/libhwplatform.so", "lacks the export(s): GetID, Verify"},
        {kBuild + "/tests/libfake_component.so", "failed the Verify handshake"},
    };
    for (const Case& c : cases) {
        ProcessResult r = RunProcess({kConsole, "info", "--component", c.component});
        EXPECT_EQ(r.exitCode, 3) << c.component;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
}

TEST(ConsoleInfo, UsageErrorsAreExitCodeTwo) {
    ProcessResult none = RunProcess({kConsole});
    EXPECT_EQ(none.exitCode, 2);
    EXPECT_NE(none.err.find("usage: hwconsole"), std::string::npos);
    ProcessResult unknown = RunProcess({kConsole, "frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("unknown command 'frobnicate'"), std::string::npos);
    ProcessResult help = RunProcess({kConsole, "--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("exit codes:"), std::string::npos);
}

}  // namespace

namespace {

class ConsoleReport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new testdb::TempDir();
        testdb::CreateSqliteDatabase(s_dir->File("fleet.db"), {HW_TEST_DATA "/report-pcs.sql"});
    }
    static void TearDownTestSuite() { delete s_dir; }
    static std::string Db() { return s_dir->File("fleet.db"); }
    static testdb::TempDir* s_dir;
};
testdb::TempDir* ConsoleReport::s_dir = nullptr;

TEST_F(ConsoleReport, WritesTheHtmlReport) {
    const std::string out = s_dir->File("pc2.html");
    ProcessResult r = RunProcess({kConsole, "report", "--db", Db(), "--pc", "2", "--user", "zoe",
                                  "--company", "Acme & Co", "--out", out});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string html = ReadWholeFile(out);
    EXPECT_NE(html.find("Acme &amp; Co"), std::string::npos);
    EXPECT_NE(html.find("Samsung SSD 980"), std::string::npos);
    ProcessResult toStdout = RunProcess({kConsole, "report", "--db", Db(), "--pc", "2"});
    ASSERT_EQ(toStdout.exitCode, 0) << toStdout.err;
    EXPECT_NE(toStdout.out.find("Samsung SSD 980"), std::string::npos);
}

TEST_F(ConsoleReport, ReportsEachFailureClearlyAndWritesNoFile) {
    testdb::TempDir styles;
    const std::string out = s_dir->File("never.html");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"--db", Db()}, 2, "report needs --pc ID"},
        {{"--pc", "x2", "--db", Db()}, 2, "report needs --pc ID"},
        {{"--pc", "2"}, 2, "name the database with --db FILE"},
        {{"--pc", "2", "--db", s_dir->File("missing.db")}, 1, "database file not found"},
        {{"--pc", "2", "--db", Db(), "--styles", styles.Path()},
         1,
         "stylesheet " + styles.Path() + "/StdHardwareStyleSheet.xsl"},
        {{"--pc", "2", "--connect", "Driver=NoSuchDriver;Database=x"}, 1, "database error: SQLSTATE"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {kConsole, "report"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        argv.insert(argv.end(), {"--out", out});
        ProcessResult r = RunProcess(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "a failed report must leave no file";
    }
    ProcessResult unwritable =
        RunProcess({kConsole, "report", "--db", Db(), "--pc", "2", "--out", "/nonexistent/dir/r.html"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write /nonexistent/dir/r.html"), std::string::npos)
        << unwritable.err;
}

TEST_F(ConsoleReport, DatabaseErrorNamesTheSqlState) {
    testdb::TempDir dir;
    const std::string db = dir.File("broken.db");
    testdb::CreateSqliteDatabase(db, {HW_TEST_DATA "/report-pcs.sql"});
    {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(db).c_str());
        connection.m_database.ExecuteSQL("DROP TABLE CPU");
    }
    ProcessResult r = RunProcess({kConsole, "report", "--db", db, "--pc", "2"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("database error: SQLSTATE"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("CPU"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty()) << "no partial report on standard output";
}

}  // namespace
