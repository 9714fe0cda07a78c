// The sample fleet end to end: every PC of a generated fleet, reported in the
// xml format by a parallel batch, is a valid report document.
#include <dirent.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/ReportSchema.h"
#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kConsole = HW_BUILD_DIR "/bin/hwconsole";

// The report files in `dir`, beside the index.
std::vector<std::string> ReportFiles(const std::string& dir) {
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* entry = readdir(d))
            if (strncmp(entry->d_name, "pc-", 3) == 0) names.emplace_back(entry->d_name);
        closedir(d);
    }
    return names;
}

TEST(SampleFleet, EveryPcReportsAsAValidDocument) {
    testdb::TempDir dir;
    const std::string db = dir.File("fleet.db");
    ProcessResult init =
        RunProcess({kConsole, "init-db", "--db", db, "--pcs", "1000", "--seed", "7"});
    ASSERT_EQ(init.exitCode, 0) << init.err;

    const std::string out = dir.File("xml");
    ProcessResult batch = RunProcess({kConsole, "batch", "--db", db, "--all", "--format", "xml",
                                      "--jobs", "2", "--out-dir", out});
    ASSERT_EQ(batch.exitCode, 0) << batch.err;

    const std::vector<std::string> files = ReportFiles(out);
    ASSERT_EQ(files.size(), 1000u);
    int invalid = 0;
    for (const std::string& name : files) {
        std::string problem;
        if (!report_schema::IsValidReport(testdb::ReadText(out + "/" + name), problem) &&
            ++invalid <= 3)
            ADD_FAILURE() << name << ": " << problem;
    }
    EXPECT_EQ(invalid, 0);
}

}  // namespace
