// hwconsole batch while its PostgreSQL server goes down. The server is a
// private one, since the shared test server must stay up for the others.
// Two PCs are held inside their reports by an advisory lock the test owns,
// so the server stops exactly while they are being read.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"

namespace {

const std::string kPgServer = HW_SOURCE_DIR "/tests/pg/pg-server";

// The batch's line about a PC that failed, or "" (notes that it is still
// trying to reconnect do not count).
std::string FailureOf(const std::string& err, int pc) {
    const std::string head = "hwconsole: PC " + std::to_string(pc) + ": ";
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind(head, 0) == 0 && line.find("trying again") == std::string::npos) return line;
    return "";
}

class BatchOutage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = std::make_unique<testdb::TempDir>();
        ProcessResult started = Server("start");
        ASSERT_EQ(started.exitCode, 0) << started.err;
        s_connect = testdb::PostgresConnect(s_dir->File("connect.txt"));
        ProcessResult fleet = RunConsole({"init-db", "--connect", s_connect, "--pcs", "10"});
        ASSERT_EQ(fleet.exitCode, 0) << fleet.err;
        // Reading the monitors of PCs 3 and 4 waits for the test's lock.
        CDataConnection db;
        db.Open(s_connect.c_str());
        db.m_database.ExecuteSQL("ALTER TABLE dbo.monitor RENAME TO monitor_rows");
        db.m_database.ExecuteSQL(
            "CREATE VIEW dbo.monitor AS SELECT * FROM dbo.monitor_rows WHERE CASE WHEN id IN "
            "(3, 4) THEN pg_advisory_lock_shared(7) IS NOT NULL ELSE true END");
    }
    static void TearDownTestSuite() {
        Server("stop");
        s_dir.reset();
    }
    void SetUp() override { ASSERT_FALSE(s_connect.empty()) << "the private server did not start"; }

    static ProcessResult Server(const std::string& action) {
        return RunProcess({"/bin/bash", kPgServer, action, s_dir->Path()});
    }

    // Runs the batch over PCs 1-10 with two workers and halts the server
    // once both workers stand inside PCs 3 and 4. With `restart` the server
    // is back half a second later, else only after the batch has ended.
    ProcessResult BatchThroughOutage(const std::string& reconnectWait, bool restart) {
        CDataConnection gate;
        gate.Open(s_connect.c_str());
        gate.m_database.ExecuteSQL("SELECT pg_advisory_lock(7)");
        const std::string digest = testdb::PostgresDigest(gate.m_database);
        ProcessResult result;
        std::thread batch([&] {
            result = RunConsole({"batch", "--connect", s_connect, "--pcs", "1-10", "--jobs", "2",
                                 "--reconnect-wait", reconnectWait, "--out-dir", m_out.Path()});
        });
        long waiting = 0;
        for (int i = 0; i < 3000 && waiting < 2; ++i) {
            waiting = testdb::QueryNumber(
                gate.m_database,
                "SELECT count(*) AS n FROM pg_locks WHERE locktype = 'advisory' AND NOT granted");
            if (waiting < 2) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        EXPECT_EQ(waiting, 2) << "the batch never reached PCs 3 and 4";
        EXPECT_EQ(Server("halt").exitCode, 0);
        if (restart) {
            // Let the workers find the server gone before it comes back.
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
            EXPECT_EQ(Server("resume").exitCode, 0);
        }
        batch.join();
        if (!restart) {
            EXPECT_EQ(Server("resume").exitCode, 0);
        }
        CDataConnection check;
        check.Open(s_connect.c_str());
        EXPECT_EQ(testdb::PostgresDigest(check.m_database), digest) << "the batch wrote";
        return result;
    }

    bool Written(int pc) const {
        return !testdb::ReadText(m_out.File("pc-" + std::to_string(pc) + ".html")).empty();
    }

    static std::unique_ptr<testdb::TempDir> s_dir;
    static std::string s_connect;
    testdb::TempDir m_out;
};

std::unique_ptr<testdb::TempDir> BatchOutage::s_dir;
std::string BatchOutage::s_connect;

TEST_F(BatchOutage, ARestartCostsOnlyThePcsInFlight) {
    ProcessResult r = BatchThroughOutage("60", true);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("batch: 8 done, 2 failed"), std::string::npos) << r.out;
    for (int pc : {3, 4})
        EXPECT_NE(FailureOf(r.err, pc).find(": database error: SQLSTATE 08"), std::string::npos)
            << r.err;
    EXPECT_NE(r.err.find("(SQLSTATE 08001); trying again for up to 60 s"), std::string::npos)
        << r.err;
    for (int pc : {1, 2, 5, 6, 7, 8, 9, 10}) {
        EXPECT_EQ(FailureOf(r.err, pc), "");
        EXPECT_TRUE(Written(pc)) << "PC " << pc;
    }
}

TEST_F(BatchOutage, AServerThatStaysDownFailsEachLaterPcAndTheBatchEnds) {
    ProcessResult r = BatchThroughOutage("1", false);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("batch: 2 done, 8 failed"), std::string::npos) << r.out;
    for (int pc = 3; pc <= 10; ++pc) {
        const char* expected = pc <= 4 ? ": database error: SQLSTATE 08" : ": SQLSTATE 08001: ";
        EXPECT_NE(FailureOf(r.err, pc).find(expected), std::string::npos) << r.err;
        EXPECT_FALSE(Written(pc)) << "PC " << pc;
    }
}

}  // namespace
