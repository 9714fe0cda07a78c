// hwconsole run as a user runs it: a subprocess, its output and exit code.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/ReportSchema.h"
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
    const std::string html = testdb::ReadText(out);
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
        {{"--pc", "2", "--connect", "Driver=NoSuchDriver;Database=x;PWD=secret"},
         1,
         "cannot connect to Driver=NoSuchDriver;Database=x;PWD=***: SQLSTATE"},
        {{"--pc", "1", "--db", Db()}, 1, "PC 1 has no inventory rows in " + Db()},
        {{"--pc", "77", "--db", Db()}, 1, "PC 77 has no inventory rows in " + Db()},
        {{"--pc", "2", "--db", Db(), "--format", "pdf"}, 2, "unknown format 'pdf'"},
        {{"--pc", "2", "--db", Db(), "--format", "text", "--styles", styles.Path()},
         2,
         "give either --format NAME or --styles DIR, not both"},
        {{"--pc", "2", "--db", Db(), "--component", s_dir->File("none.so")},
         3,
         "component not found"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv = {kConsole, "report"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        argv.insert(argv.end(), {"--out", out});
        ProcessResult r = RunProcess(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "a failed report must leave no file";
        EXPECT_EQ(r.err.find("secret"), std::string::npos) << "passwords stay out of messages";
    }
    ProcessResult unwritable = RunProcess(
        {kConsole, "report", "--db", Db(), "--pc", "2", "--out", "/nonexistent/dir/r.html"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write /nonexistent/dir/r.html"), std::string::npos)
        << unwritable.err;
}

TEST_F(ConsoleReport, DatabaseErrorNamesTheSqlState) {
    // CPU is read before Display (does the PC exist?); AdditionalHardwareDevice
    // only by the component, so its error comes through the export.
    for (const char* table : {"CPU", "AdditionalHardwareDevice"}) {
        testdb::TempDir dir;
        const std::string db = dir.File("broken.db");
        testdb::CreateSqliteDatabase(db, {HW_TEST_DATA "/report-pcs.sql"});
        {
            CDataConnection connection;
            connection.Open(testdb::SqliteConnect(db).c_str());
            connection.m_database.ExecuteSQL((std::string("DROP TABLE ") + table).c_str());
        }
        ProcessResult r = RunProcess({kConsole, "report", "--db", db, "--pc", "2"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("database error: SQLSTATE"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(table), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << "no partial report on standard output";
    }
}

}  // namespace

namespace {

// The xml format runs the report document through an identity transform. The
// tree that comes back is the component's; its serialisation is the XML
// writer's: a UTF-8 declaration, LF line ends, no line breaks outside the
// root element, empty elements as <Name/>, and quotes in text unescaped
// (they need escaping only in attributes). This applies exactly those
// rewrites to the component's document, so that the rest must match byte
// for byte.
std::string AsIdentityTransformWritesIt(std::string doc) {
    auto replaceAll = [](std::string& text, const std::string& from, const std::string& to) {
        for (size_t pos = text.find(from); pos != std::string::npos;
             pos = text.find(from, pos + to.size()))
            text.replace(pos, from.size(), to);
    };
    replaceAll(doc, "\r\n", "\n");
    replaceAll(doc, "<?xml version=\"1.0\" encoding=\"UTF-16\" ?>\n",
               "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    replaceAll(doc, "?>\n<HARDWARE>", "?><HARDWARE>");
    if (!doc.empty() && doc.back() == '\n') doc.pop_back();
    replaceAll(doc, "&quot;", "\"");
    replaceAll(doc, "&apos;", "'");
    // <Name></Name> becomes <Name/>.
    for (size_t open = doc.find('<'); open != std::string::npos; open = doc.find('<', open + 1)) {
        const size_t close = doc.find('>', open);
        if (close == std::string::npos || doc[open + 1] == '/' || doc[open + 1] == '?') continue;
        const std::string name = doc.substr(open + 1, close - open - 1);
        if (name.find(' ') != std::string::npos) continue;
        if (doc.compare(close + 1, name.size() + 3, "</" + name + ">") == 0)
            doc.replace(open, close - open + 1 + name.size() + 3, "<" + name + "/>");
    }
    return doc;
}

TEST_F(ConsoleReport, XmlFormatReturnsTheComponentsDocument) {
    const struct {
        const char* pc;
        const char* company;
        const char* user;
        const char* expected;
    } cases[] = {
        {"2", "Acme Corp", "admin", "pc2-full-desktop.xml"},
        {"3", "", "", "pc3-bios-summary-only.xml"},
        {"4", "Acme Corp", "admin", "pc4-bios-rows-without-row-0.xml"},
        {"5", "Acme Corp", "admin", "pc5-additional-instances.xml"},
        {"6", "Acme Corp", "admin", "pc6-additional-boxes.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        ProcessResult r = RunProcess({kConsole, "report", "--db", Db(), "--pc", c.pc, "--format",
                                      "xml", "--company", c.company, "--user", c.user});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        const std::string document =
            testdb::ReadText(HW_TEST_DATA "/expected/" + std::string(c.expected));
        ASSERT_FALSE(document.empty());
        EXPECT_EQ(r.out, AsIdentityTransformWritesIt(document));
        std::string problem;
        EXPECT_TRUE(report_schema::IsValidReport(r.out, problem)) << problem;
    }
}

TEST_F(ConsoleReport, PrintAndTextFormatsComeFromTheirFolders) {
    ProcessResult print = RunProcess({kConsole, "report", "--db", Db(), "--pc", "2", "--format",
                                      "print", "--company", "Acme & Co"});
    ASSERT_EQ(print.exitCode, 0) << print.err;
    EXPECT_NE(print.out.find("size: A4"), std::string::npos);
    EXPECT_NE(print.out.find("Acme &amp; Co"), std::string::npos);
    EXPECT_NE(print.out.find("Samsung SSD 980"), std::string::npos);
    EXPECT_EQ(print.out.find("prefers-color-scheme"), std::string::npos)
        << "the print page is black on white, without the screen page's themes";

    ProcessResult text = RunProcess({kConsole, "report", "--db", Db(), "--pc", "2", "--format",
                                     "text", "--company", "Acme & Co", "--user", "zoe"});
    ASSERT_EQ(text.exitCode, 0) << text.err;
    for (const char* markup : {"<html", "<div", "<?xml", "&amp;", "&lt;"})
        EXPECT_EQ(text.out.find(markup), std::string::npos) << "plain text, no markup: " << markup;
    for (const char* line :
         {"Hardware report: WS-0002\n========================\n",
          "Company:                 Acme & Co\n", "User:                    zoe\n",
          "\nSystem overview\n---------------\nSystem name:             WS-0002\n",
          "Organization:            R&D <Lab> \"Ü\"\n",
          "Processor 3\n  Name:                  A&B\n  Manufacturer:          -\n",
          "  IP addresses:          10.0.0.15 / 255.255.255.0, fe80::1 / 64\n",
          "  Free:                  25 %\n", "Sound card:              Realtek HD Audio\n",
          "B:                       日本\n"})
        EXPECT_NE(text.out.find(line), std::string::npos) << "missing: " << line << "\n"
                                                          << text.out;
}

TEST_F(ConsoleReport, BrokenStylesheetIsNamed) {
    testdb::TempDir styles;
    std::ofstream(styles.File("StdHardwareStyleSheet.xsl")) << "<xsl:stylesheet version='1.0'";
    ProcessResult r =
        RunProcess({kConsole, "report", "--db", Db(), "--pc", "2", "--styles", styles.Path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("stylesheet " + styles.Path() +
                         "/StdHardwareStyleSheet.xsl is not a "
                         "usable stylesheet"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(r.out.empty());
}

}  // namespace
