// hwconsole run as a user runs it: a subprocess, its output and exit code.
#include <gtest/gtest.h>
#include <libxml/c14n.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
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

TEST(ConsoleInfo, SaysWhatItCheckedInWords) {
    ProcessResult r = RunConsole({"info"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    for (const std::string& line :
         {"component:         " + kBuild + "/Components/HardwareListH.so\n",  // beside the program
          std::string("name:              Hardware Inventory\n"),
          std::string("it says it is the hardware component (number 3)"),
          std::string("answered a fresh random challenge correctly"),
          "query page:        " + kBuild + "/Styles/HardwareComponentQuery.xsl\n",
          std::string("The component is ready.\n")})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

// Every command: its own --help, and the mistakes people make, each refused
// with its exit code and a message before any work: nothing on standard
// output, no file, no password repeated.
TEST(ConsoleCommandLine, EveryCommandHelpsAndRefusesWhatItCannotDo) {
    const std::string db = testdb::SampleFleet();
    testdb::TempDir dir, styles, broken, endless;
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
    const std::string out = dir.File("never");
    const std::vector<std::string> report = {"report", "--db", db, "--out", out};
    const std::vector<std::string> batch = {"batch", "--db", db, "--out-dir", out};
    const std::vector<std::string> query = {"query", "--db", db, "--out", out};
    const struct {
        std::vector<std::string> command, args;
        int exitCode;
        std::string expected;  // on stdout when the exit code is 0, else on stderr
    } cases[] = {
        {{}, {}, 2, "Usage: hwconsole [OPTIONS] [COMMAND]"},
        {{}, {"-h"}, 0, "exit codes:\n  0  success"},
        {{}, {"--version"}, 0, "hwconsole 1.0.0\ncomponent: Hardware Inventory, identity 3, "},
        {{}, {"reprot"}, 2, "unknown command 'reprot' (did you mean report?)"},
        {{}, {"info", "--help"}, 0, "Usage: hwconsole info [OPTIONS]"},
        {{}, {"report", "--help"}, 0, "  --pc PC "},
        {{}, {"batch", "--help"}, 0, "  --reconnect-wait SECONDS "},
        {{},
         {"query", "--help"},
         0,
         "\n  --named low-disk              logical disks under 10 % free\n"},
        {{}, {"list", "--help"}, 0, "  --q TEXT "},
        {{}, {"import", "--help"}, 0, "Usage: hwconsole import [OPTIONS] [PATH...]"},
        {{}, {"init-db", "--help"}, 0, "  --seed S "},
        {{}, {"help", "report"}, 0, "Usage: hwconsole report [OPTIONS]"},
        {report,
         {"--pc", "2", "--fromat", "xml"},
         2,
         "report: unknown option --fromat (did you mean --format?)"},
        {report, {"--pc", "2", "--output", out}, 2, "(did you mean --out?)"},
        {report, {"--pc", "2", "--out"}, 2, "report: --out needs a value: --out FILE"},
        {report, {"--pc", "--format", "xml"}, 2, "--pc needs a value"},
        {report, {"--pc", "2", "--pc", "3"}, 2, "--pc is given 2 times"},
        {report, {"--pc", "2", "stray"}, 2, "unexpected argument 'stray'"},
        {report, {}, 2, "report needs --pc PC"},
        {report, {"--pc", "x2"}, 1, "no PC is known as 'x2'"},
        {{"report", "--out", out}, {"--pc", "2"}, 2, "name the database with --db FILE"},
        {{"report", "--out", out},
         {"--pc", "2", "--db", dir.File("no.db")},
         1,
         "database file not found"},
        {{"report", "--out", out},
         {"--pc", "2", "--connect", "Driver=NoSuchDriver;Database=x;PWD=secret"},
         1,
         "cannot connect to Driver=NoSuchDriver;Database=x;PWD=***: SQLSTATE"},
        {report,
         {"--pc", "2", "--styles", styles.Path()},
         1,
         "the transformation failed: cannot read stylesheet " + styles.Path() +
             "/StdHardwareStyleSheet.xsl: No such file or directory"},
        {report,
         {"--pc", "2", "--styles", broken.Path()},
         1,
         "stylesheet " + broken.Path() +
             "/StdHardwareStyleSheet.xsl is not well-formed XML: line 1"},
        {report,
         {"--pc", "2", "--styles", endless.Path()},
         1,
         "stylesheet " + endless.Path() + "/StdHardwareStyleSheet.xsl is not a regular file"},
        {{"report", "--out", out},
         {"--pc", "2", "--db", rawInUse},
         1,
         "the transformation failed: the report document is not well-formed XML: line 71: "
         "xmlParseEntityRef: no name"},
        {report, {"--pc", "1"}, 1, "PC 1 has no inventory rows in " + db},
        {report, {"--pc", "2", "--format", "pdf"}, 2, "unknown format 'pdf'"},
        {report,
         {"--pc", "2", "--format", "text", "--styles", styles.Path()},
         2,
         "give either --format NAME or --styles DIR, not both"},
        {report, {"--pc", "2", "--component", dir.File("none.so")}, 3, "component not found"},
        {{"report", "--db", db, "--pc", "2"},
         {"--out", "/nonexistent/dir/r.html"},
         1,
         "cannot write /nonexistent/dir/r.html"},
        {batch, {"--pcs", "2", "--out-dir="}, 2, "batch: --out-dir needs a value"},
        {batch, {"--all", "--job", "2"}, 2, "(did you mean --jobs?)"},
        {batch, {}, 2, "either --pcs LIST"},
        {batch, {"--all", "--pcs", "1"}, 2, "either --pcs LIST"},
        {batch, {"--pcs", "5-3"}, 2, "runs backwards"},
        {batch, {"--pcs", "1,,2"}, 2, "bad PC list item ''"},
        {batch, {"--pcs", "2,x"}, 1, "no PC is known as 'x'"},
        {batch, {"--pcs", "0-2147483647"}, 2, "too long"},
        {{"batch", "--db", db, "--pcs", "2"}, {}, 2, "needs --out-dir"},
        {batch, {"--pcs", "2", "--jobs", "0"}, 2, "--jobs needs"},
        {batch, {"--pcs", "2", "--reconnect-wait", "-1"}, 2, "--reconnect-wait needs"},
        {batch, {"--pcs", "2", "--format", "pdf"}, 2, "unknown format"},
        {{"batch", "--out-dir", out},
         {"--db", dir.File("no.db"), "--pcs", "2"},
         1,
         "database file not found"},
        {{"batch", "--out-dir", out},
         {"--connect", "Driver=NoSuchDriver", "--pcs", "2"},
         1,
         "cannot connect to Driver=NoSuchDriver: SQLSTATE"},
        {batch,
         {"--pcs", "2", "--styles", styles.Path()},
         1,
         "cannot read stylesheet " + styles.Path() + "/StdHardwareStyleSheet.xsl: No such file"},
        {batch,
         {"--pcs", "2", "--styles", endless.Path()},
         1,
         "stylesheet " + endless.Path() + "/StdHardwareStyleSheet.xsl is not a regular file"},
        {{"batch", "--db", db, "--pcs", "2"},
         {"--out-dir", "/proc/no/such"},
         1,
         "cannot create folder /proc/no"},
        {query,
         {"--sql", "SELECT 1", "--format", "xml", "--format", "html"},
         2,
         "--format is given 2 times"},
        {query, {}, 2, "either --sql"},
        {query, {"--named", "fastest"}, 2, "unknown named query 'fastest' (one of: low-disk"},
        {query, {"--named", "cpu"}, 2, "cpu needs --like TEXT"},
        {query, {"--named", "low-disk", "--mb", "5"}, 2, "low-disk takes no --mb"},
        {query, {"--named", "memory-below", "--mb", "lots"}, 2, "needs --mb N"},
        {query,
         {"--sql", "SELECT 1", "--format", "text"},
         2,
         "query formats are html, xml, csv and json"},
        {query, {"--sql", "SELECT * FROM NoSuchTable"}, 1, "database error: SQLSTATE"},
        {{"query", "--db", db, "--sql", "SELECT 1"},
         {"--out", "/nonexistent/q.html"},
         1,
         "cannot write /nonexistent/q.html"},
        {{"list", "--db", db},
         {"--sort", "speed"},
         2,
         "unknown sort column 'speed' (one of: id, name"},
        {{"init-db", "--db", out}, {"--pcs", "1", "--seeds", "2"}, 2, "(did you mean --seed?)"},
        {{"info"}, {"--component", kBuild + "/no/such/HardwareListH.so"}, 3, "component not found"},
        {{"info"}, {"--component", HW_SOURCE_DIR "/CMakeLists.txt"}, 3, "cannot load component"},
        {{"info"},
         {"--component", kBuild + "/lib/libhwplatform.so"},
         3,
         "lacks the export(s): GetID, Verify"},
        {{"info"},
         {"--component", kBuild + "/tests/libfake_component.so"},
         3,
         "failed the Verify handshake"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = c.command;
        args.insert(args.end(), c.args.begin(), c.args.end());
        const std::string line = ::testing::PrintToString(args);
        ProcessResult r = RunConsole(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << line << "\n" << r.err;
        EXPECT_NE((c.exitCode == 0 ? r.out : r.err).find(c.expected), std::string::npos)
            << line << "\n"
            << r.out << r.err;
        if (c.exitCode != 0) {
            EXPECT_TRUE(r.out.empty()) << line << "\n" << r.out;
        }
        EXPECT_NE(access(out.c_str(), F_OK), 0) << line << ": a refused command writes nothing";
        EXPECT_EQ(r.err.find("secret"), std::string::npos) << "passwords stay out of messages";
    }
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

// A write that fails half-way (here at the file size limit) fails the
// command with the reason, and leaves neither the file nor a temporary one.
TEST(ConsoleOutput, AWriteThatFailsHalfWayLeavesNoFile) {
    testdb::TempDir dir, logs;
    const std::string db = testdb::SampleFleet(), out = dir.File("cut.html");
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, SIG_IGN);  // write() then fails with EFBIG
        const int err = open(logs.File("err").c_str(), O_WRONLY | O_CREAT, 0600);
        dup2(err, 2);
        execl(kConsole.c_str(), kConsole.c_str(), "report", "--db", db.c_str(), "--pc", "2",
              "--out", out.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_NE(testdb::ReadText(logs.File("err")).find("cannot write " + out + ": File too large"),
              std::string::npos)
        << testdb::ReadText(logs.File("err"));
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));
}

}  // namespace
