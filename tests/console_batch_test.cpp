// hwconsole batch: many reports by worker threads, each file as a single
// report run would write it, failures reported without stopping the rest.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

std::set<std::string> FilesIn(const std::string& folder) {
    std::set<std::string> names;
    std::error_code none;  // a missing folder has no files
    for (const auto& entry : std::filesystem::directory_iterator(folder, none))
        names.insert(entry.path().filename());
    return names;
}

class ConsoleBatch : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Forty more PCs made from PC 2, so that two workers really interleave.
        CDataConnection connection;
        connection.Open(testdb::SqliteConnect(Db()).c_str());
        auto exec = [&](const std::string& sql) { connection.m_database.ExecuteSQL(sql.c_str()); };
        for (const std::string table :
             {"SystemOverview", "BIOS", "CPU", "DiskDrive", "LogicalDisk"}) {
            exec("CREATE TEMP TABLE c AS SELECT * FROM " + table + " WHERE ID = 2");
            for (int pc = 100; pc < 140; ++pc) {
                exec("UPDATE c SET ID = " + std::to_string(pc));
                exec("INSERT INTO " + table + " SELECT * FROM c");
            }
            exec("DROP TABLE c");
        }
        exec("UPDATE SystemOverview SET Name = 'WS-' || ID WHERE ID >= 100");
    }
    static std::string Db() { return testdb::SampleFleet(); }
    static ProcessResult Batch(std::vector<std::string> args) {
        args.insert(args.begin(), "batch");
        return RunConsole(args);
    }
};

TEST_F(ConsoleBatch, TwoWorkersWriteWhatSingleReportsWrite) {
    for (const char* format : {"html", "xml"}) {
        SCOPED_TRACE(format);
        testdb::TempDir out;
        const std::string folder = out.File("new/reports");  // created, parents too
        ProcessResult r = Batch({"--db", Db(), "--pcs", "2-5,100-139", "--jobs", "2", "--out-dir",
                                 folder, "--format", format, "--company", "Acme", "--user", "ops"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
        EXPECT_TRUE(r.err.empty()) << "stderr is not a terminal: no progress bar\n" << r.err;
        EXPECT_NE(r.out.find("batch: 44 done, 0 failed"), std::string::npos) << r.out;
        EXPECT_EQ(FilesIn(folder).size(), 44u + 4u) << "the reports and the index by 4 columns";
        for (const char* pc : {"2", "3", "4", "5", "100", "121", "139"}) {
            const std::string file = folder + "/pc-" + pc + "." + format;
            ProcessResult single = RunConsole({"report", "--db", Db(), "--pc", pc, "--format",
                                               format, "--company", "Acme", "--user", "ops"});
            ASSERT_EQ(single.exitCode, 0) << single.err;
            EXPECT_EQ(testdb::ReadText(file), single.out) << file;
        }
        EXPECT_NE(testdb::ReadText(folder + "/pc-121." + format).find("WS-121"), std::string::npos);
    }
}

TEST_F(ConsoleBatch, AllMeansEveryPcWithOverviewOrBios) {
    testdb::TempDir out;
    // What a killed batch left goes; what a running writer has does not.
    const pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_EQ(waitpid(gone, nullptr, 0), gone);
    const std::string orphan = "pc-2.txt.tmp-" + std::to_string(gone) + "-0badc0de";
    const std::string live = "pc-3.txt.tmp-" + std::to_string(getpid()) + "-0badc0de";
    for (const std::string& name : {orphan, live}) std::ofstream(out.File(name)) << "cut";
    ProcessResult r =
        Batch({"--db", Db(), "--all", "--jobs", "2", "--out-dir", out.Path(), "--format", "text"});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    std::set<std::string> expected = {"pc-2.txt",
                                      "pc-3.txt",
                                      "pc-4.txt",
                                      "index.html",
                                      "index-model.html",
                                      "index-os.html",
                                      "index-inventory.html"};
    for (int pc = 100; pc < 140; ++pc) expected.insert("pc-" + std::to_string(pc) + ".txt");
    expected.insert(live);
    EXPECT_EQ(FilesIn(out.Path()), expected) << "PCs 5 and 6 have only user-defined devices";
}

TEST_F(ConsoleBatch, APcWithoutRowsOrAPageThatCannotBeKeptFailsTheRestAreWrittenAndIndexed) {
    testdb::TempDir out;
    // A folder where PC 4's page goes: written, but it cannot take the name.
    std::filesystem::create_directory(out.File("pc-4.html"));
    ProcessResult r =
        Batch({"--db", Db(), "--pcs", "1,2,3,4,9999", "--jobs", "2", "--out-dir", out.Path()});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("PC 1 has no inventory rows in " + Db()), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("PC 9999 has no inventory rows"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("cannot write " + out.File("pc-4.html") + ": Is a directory"),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.out.find("batch: 2 done, 3 failed"), std::string::npos) << r.out;
    EXPECT_EQ(FilesIn(out.Path()),
              (std::set<std::string>{"pc-2.html", "pc-3.html", "pc-4.html", "index.html",
                                     "index-model.html", "index-os.html", "index-inventory.html"}));
    EXPECT_TRUE(FilesIn(out.File("pc-4.html")).empty());
    // Every index page links the pages written, and only those; each heading
    // links the page sorted by it.
    for (const char* page :
         {"index.html", "index-model.html", "index-os.html", "index-inventory.html"}) {
        const std::string index = testdb::ReadText(out.File(page));
        EXPECT_NE(index.find("<a href=\"pc-2.html\">WS-0002</a>"), std::string::npos) << index;
        EXPECT_NE(index.find("<a href=\"pc-3.html\">"), std::string::npos) << index;
        for (const char* absent : {"pc-1.html", "pc-4.html", "pc-9999"})
            EXPECT_EQ(index.find(absent), std::string::npos) << page << ": " << absent;
        EXPECT_NE(index.find("<a href=\"index-os.html\">Operating system"), std::string::npos);
        EXPECT_EQ(index.find("<script"), std::string::npos);
    }

    testdb::TempDir empty;
    ASSERT_EQ(RunConsole({"init-db", "--db", empty.File("none.db"), "--pcs", "0"}).exitCode, 0);
    ProcessResult none =
        Batch({"--db", empty.File("none.db"), "--all", "--out-dir", empty.File("out")});
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_NE(none.err.find("no PC to report"), std::string::npos) << none.err;
    EXPECT_TRUE(FilesIn(empty.File("out")).empty());
}

TEST_F(ConsoleBatch, ADatabaseErrorNamesThePcAndSqlState) {
    testdb::TempDir dir;
    const std::string db = testdb::FleetWithout(dir, "AdditionalHardwareDevice");
    ProcessResult r =
        Batch({"--db", db, "--pcs", "2,3", "--jobs", "1", "--out-dir", dir.File("out")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("PC 2: database error: SQLSTATE"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("PC 3: database error: SQLSTATE"), std::string::npos)
        << "the batch goes on after the first failure\n"
        << r.err;
    EXPECT_TRUE(FilesIn(dir.File("out")).empty());
}

}  // namespace
