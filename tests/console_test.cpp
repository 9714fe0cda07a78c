// hwconsole run as a user runs it: a subprocess, its output and exit code.
#include <gtest/gtest.h>
#include <libxml/c14n.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "tests/ReportSchema.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kBuild = HW_BUILD_DIR;

TEST(ConsoleInfo, ShowsTheVerifiedComponent) {
    ProcessResult r = RunConsole({"info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& line :
         {std::string("identity:          3"), std::string("Hardware Inventory"),
          std::string("HardwareComponentQuery.xsl"),
          std::string("message VYNGETLOADEDCOMPONENTS:     0xC"),
          kBuild + "/Components/HardwareListH.so"})  // found beside the program's own folder
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

TEST(ConsoleInfo, RefusesWhatIsNotTheComponentAndBadUsage) {
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"info", "--component", kBuild + "/no/such/HardwareListH.so"}, 3, "component not found"},
        {{"info", "--component", HW_SOURCE_DIR "/CMakeLists.txt"}, 3, "cannot load component"},
        {{"info", "--component", kBuild + "/lib/libhwplatform.so"},
         3,
         "lacks the export(s): GetID, Verify"},
        {{"info", "--component", kBuild + "/tests/libfake_component.so"},
         3,
         "failed the Verify handshake"},
        {{}, 2, "usage: hwconsole"},
        {{"frobnicate"}, 2, "unknown command 'frobnicate'"},
    };
    for (const auto& c : cases) {
        ProcessResult r = RunConsole(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << r.out;
    }
    ProcessResult help = RunConsole({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("exit codes:"), std::string::npos);
    EXPECT_NE(help.out.find("init-db"), std::string::npos);
}

ProcessResult Report(std::vector<std::string> args) {
    args.insert(args.begin(), {"report", "--db", testdb::SampleFleet()});
    return RunConsole(args);
}

TEST(ConsoleReport, WritesTheHtmlReportToAFileOrStandardOutput) {
    testdb::TempDir dir;
    ProcessResult r = Report(
        {"--pc", "2", "--user", "zoe", "--company", "Acme & Co", "--out", dir.File("pc2.html")});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const std::string html = testdb::ReadText(dir.File("pc2.html"));
    EXPECT_NE(html.find("Acme &amp; Co"), std::string::npos);
    EXPECT_NE(html.find("Samsung SSD 980"), std::string::npos);
    EXPECT_EQ(Report({"--pc", "2", "--user", "zoe", "--company", "Acme & Co"}).out, html);
}

TEST(ConsoleReport, ReportsEachFailureClearlyAndWritesNoFile) {
    const std::string db = testdb::SampleFleet();
    testdb::TempDir styles, broken, endless;
    std::ofstream(broken.File("StdHardwareStyleSheet.xsl")) << "<xsl:stylesheet version='1.0'";
    // A stylesheet that never ends once took the whole process down.
    std::filesystem::create_symlink("/dev/zero", endless.File("StdHardwareStyleSheet.xsl"));
    // The document carries InUse as the database holds it: an '&' there
    // leaves it unreadable, and the component says so through the host.
    const std::string rawInUse = styles.File("raw-in-use.db");
    testdb::CreateSqliteDatabase(rawInUse, {HW_TEST_DATA "/report-pcs.sql"});
    {
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(rawInUse).c_str());
        connection.m_database.ExecuteSQL("UPDATE SystemSlot SET InUse = 'A & B' WHERE ID = 2");
    }
    const std::string out = styles.File("never.html");
    const struct {
        std::vector<std::string> args;
        int exitCode;
        std::string message;
    } cases[] = {
        {{"--db", db}, 2, "report needs --pc ID"},
        {{"--pc", "x2", "--db", db}, 2, "report needs --pc ID"},
        {{"--pc", "2"}, 2, "name the database with --db FILE"},
        {{"--pc", "2", "--db", styles.File("missing.db")}, 1, "database file not found"},
        {{"--pc", "2", "--db", db, "--styles", styles.Path()},
         1,
         "the transformation failed: cannot read stylesheet " + styles.Path() +
             "/StdHardwareStyleSheet.xsl: No such file or directory"},
        {{"--pc", "2", "--db", db, "--styles", broken.Path()},
         1,
         "stylesheet " + broken.Path() +
             "/StdHardwareStyleSheet.xsl is not well-formed XML: line 1"},
        {{"--pc", "2", "--db", db, "--styles", endless.Path()},
         1,
         "stylesheet " + endless.Path() + "/StdHardwareStyleSheet.xsl is not a regular file"},
        {{"--pc", "2", "--db", rawInUse},
         1,
         "the transformation failed: the report document is not well-formed XML: line 71: "
         "xmlParseEntityRef: no name"},
        {{"--pc", "2", "--connect", "Driver=NoSuchDriver;Database=x;PWD=secret"},
         1,
         "cannot connect to Driver=NoSuchDriver;Database=x;PWD=***: SQLSTATE"},
        {{"--pc", "1", "--db", db}, 1, "PC 1 has no inventory rows in " + db},
        {{"--pc", "2", "--db", db, "--format", "pdf"}, 2, "unknown format 'pdf'"},
        {{"--pc", "2", "--db", db, "--format", "text", "--styles", styles.Path()},
         2,
         "give either --format NAME or --styles DIR, not both"},
        {{"--pc", "2", "--db", db, "--component", styles.File("none.so")},
         3,
         "component not found"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"report", "--out", out};
        args.insert(args.end(), c.args.begin(), c.args.end());
        ProcessResult r = RunConsole(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.message << "\n" << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(access(out.c_str(), F_OK), 0) << "a failed report must leave no file";
        EXPECT_EQ(r.err.find("secret"), std::string::npos) << "passwords stay out of messages";
    }
    ProcessResult unwritable = Report({"--pc", "2", "--out", "/nonexistent/dir/r.html"});
    EXPECT_EQ(unwritable.exitCode, 1);
    EXPECT_NE(unwritable.err.find("cannot write /nonexistent/dir/r.html"), std::string::npos)
        << unwritable.err;
}

TEST(ConsoleReport, DatabaseErrorNamesTheSqlState) {
    // CPU is read before Display (does the PC exist?); AdditionalHardwareDevice
    // only by the component, so its error comes through the export.
    for (const char* table : {"CPU", "AdditionalHardwareDevice"}) {
        testdb::TempDir dir;
        ProcessResult r =
            RunConsole({"report", "--db", testdb::FleetWithout(dir, table), "--pc", "2"});
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("database error: SQLSTATE"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(table), std::string::npos) << r.err;
        EXPECT_TRUE(r.out.empty()) << "no partial report on standard output";
    }
}

// Every command writes its file the same way; the report shows it.
TEST(ConsoleOutput, ReplacesTheFileWholeAndTouchesNothingElse) {
    namespace fs = std::filesystem;
    testdb::TempDir dir, elsewhere;
    const std::string victim = elsewhere.File("victim.txt");
    std::ofstream(victim) << "victim";
    auto report = [](const std::string& out, const std::string& company) {
        return Report({"--pc", "2", "--company", company, "--out", out});
    };

    // Links planted beside the target and at the target are never written through.
    const std::string linked = dir.File("linked.html");
    fs::create_symlink(victim, linked + ".tmp");
    fs::create_symlink(victim, dir.File("planted.html"));
    for (const std::string& out : {linked, dir.File("planted.html")}) {
        ASSERT_EQ(report(out, "Acme").exitCode, 0);
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(out))) << out;
    }
    EXPECT_EQ(testdb::ReadText(victim), "victim");
    EXPECT_TRUE(fs::is_symlink(linked + ".tmp"));

    // A private file stays private; the user's own file of the old temporary name stays.
    const std::string secret = dir.File("secret.html");
    std::ofstream(secret) << "old";
    std::ofstream(secret + ".tmp") << "mine";
    fs::permissions(secret, fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(report(secret, "Acme").exitCode, 0);
    EXPECT_EQ(fs::status(secret).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(testdb::ReadText(secret + ".tmp"), "mine");

    // Writers of one file at once: it ends up as exactly one writer's report.
    const std::string shared = dir.File("shared.html");
    const std::string reference = Report({"--pc", "2", "--company", "Company-A"}).out;
    for (int round = 0; round < 3; ++round) {
        // Started from this one thread: a child forked beside other threads
        // may find the allocator locked.
        std::vector<pid_t> writers;
        for (char id = 'A'; id <= 'F'; ++id) {
            std::vector<std::string> args = {
                kConsole, "report", "--db",      testdb::SampleFleet(),
                "--pc",   "2",      "--company", std::string("Company-") + id,
                "--out",  shared};
            std::vector<char*> argv;
            for (std::string& arg : args) argv.push_back(&arg[0]);
            argv.push_back(nullptr);
            const pid_t pid = fork();
            if (pid == 0) {
                execv(argv[0], argv.data());
                _exit(127);
            }
            writers.push_back(pid);
        }
        for (pid_t pid : writers) {
            int status = 0;
            waitpid(pid, &status, 0);
            EXPECT_EQ(status, 0);
        }
        const std::string written = testdb::ReadText(shared);
        const size_t at = written.find("Company-");
        ASSERT_NE(at, std::string::npos);
        std::string expected = reference;
        for (size_t pos = 0; (pos = expected.find("Company-A", pos)) != std::string::npos; ++pos)
            expected[pos + 8] = written[at + 8];
        EXPECT_EQ(written, expected) << "round " << round;
    }
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        names.insert(entry.path().filename());
    EXPECT_EQ(names, (std::set<std::string>{"linked.html", "linked.html.tmp", "planted.html",
                                            "secret.html", "secret.html.tmp", "shared.html"}))
        << "no temporary file is left behind";
}

// The tree of an XML text in canonical form: declaration, line ends, empty
// element forms and quoting are the writer's business, not the content.
std::string Canonical(const std::string& text) {
    xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, "UTF-8",
                                  XML_PARSE_NONET | XML_PARSE_IGNORE_ENC);
    if (!doc) return "not well formed";
    xmlChar* canonical = nullptr;
    const int size = xmlC14NDocDumpMemory(doc, nullptr, XML_C14N_1_0, nullptr, 0, &canonical);
    std::string result(reinterpret_cast<const char*>(canonical), size > 0 ? size : 0);
    xmlFree(canonical);
    xmlFreeDoc(doc);
    return result;
}

TEST(ConsoleReport, XmlFormatReturnsTheComponentsDocument) {
    const struct {
        const char *pc, *company, *user, *expected;
    } cases[] = {
        {"2", "Acme Corp", "admin", "pc2-full-desktop.xml"},
        {"3", "", "", "pc3-bios-summary-only.xml"},
        {"4", "Acme Corp", "admin", "pc4-bios-rows-without-row-0.xml"},
        {"5", "Acme Corp", "admin", "pc5-additional-instances.xml"},
        {"6", "Acme Corp", "admin", "pc6-additional-boxes.xml"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        ProcessResult r =
            Report({"--pc", c.pc, "--format", "xml", "--company", c.company, "--user", c.user});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\"?>", 0), 0u) << r.out;
        const std::string document =
            testdb::ReadText(HW_TEST_DATA "/expected/" + std::string(c.expected));
        ASSERT_FALSE(document.empty());
        EXPECT_EQ(Canonical(r.out), Canonical(document));
        std::string problem;
        EXPECT_TRUE(report_schema::IsValidReport(r.out, problem)) << problem;
    }
}

TEST(ConsoleReport, PrintAndTextFormatsComeFromTheirFolders) {
    ProcessResult print = Report({"--pc", "2", "--format", "print", "--company", "Acme & Co"});
    ASSERT_EQ(print.exitCode, 0) << print.err;
    EXPECT_NE(print.out.find("size: A4"), std::string::npos);
    EXPECT_NE(print.out.find("Acme &amp; Co"), std::string::npos);
    EXPECT_NE(print.out.find("Samsung SSD 980"), std::string::npos);
    EXPECT_EQ(print.out.find("prefers-color-scheme"), std::string::npos)
        << "the print page is black on white, without the screen page's themes";

    ProcessResult text =
        Report({"--pc", "2", "--format", "text", "--company", "Acme & Co", "--user", "zoe"});
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
          "  Free:                  25 %\n", "B:                       日本\n"})
        EXPECT_NE(text.out.find(line), std::string::npos) << "missing: " << line << "\n"
                                                          << text.out;
}

}  // namespace
