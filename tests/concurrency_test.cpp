// Reports rendered on several threads at once through the exports, each
// thread on its own connection, while other threads call Execute and
// HaltExecution: every report must be byte-identical to the one rendered alone.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "tests/Subprocess.h"
#include "tests/TestDatabase.h"
#include "tests/TestReport.h"

namespace {

constexpr int kPCs = 200;
constexpr int kRenderThreads = 4;

class ConcurrentReports : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_dir = new testdb::TempDir();
        const ProcessResult made =
            RunProcess({HW_BUILD_DIR "/bin/hwconsole", "init-db", "--db", s_dir->File("fleet.db"),
                        "--pcs", std::to_string(kPCs)});
        ASSERT_EQ(made.exitCode, 0) << made.err;
    }
    static void TearDownTestSuite() { delete s_dir; }

    // PC `pc`'s HTML through the Display export on `connection`.
    static std::string Render(CDataConnection& connection, int pc) {
        const DisplayRequest request = testreport::Request(connection, pc);
        CString html;
        EXPECT_EQ(testreport::Component().Display(&request, &html), 1);
        return html.str();
    }

    static testdb::TempDir* s_dir;
};
testdb::TempDir* ConcurrentReports::s_dir = nullptr;

TEST_F(ConcurrentReports, FourThreadsRenderWhatOneThreadRendersAlone) {
    const HwExports& exports = testreport::Component();
    const std::string connect = testdb::SqliteConnect(s_dir->File("fleet.db"));
    std::vector<std::string> alone(kPCs + 1);
    {
        CDataConnection connection;
        connection.Open(connect.c_str());
        for (int pc = 1; pc <= kPCs; ++pc) {
            alone[pc] = Render(connection, pc);
            ASSERT_NE(alone[pc].find("<html"), std::string::npos) << "PC " << pc;
        }
    }

    std::atomic<bool> rendering{true};
    std::atomic<int> differing{0}, failed{0}, executeCalls{0}, haltCalls{0};
    std::atomic<int> wrongExecuteAnswers{0};
    std::vector<std::thread> renderers;
    for (int t = 0; t < kRenderThreads; ++t) {
        renderers.emplace_back([&, t] {
            try {
                CDataConnection connection;
                connection.Open(connect.c_str());
                // Each thread starts elsewhere in the fleet, so threads meet
                // both on the same PC and on different ones.
                for (int i = 0; i < kPCs; ++i) {
                    const int pc = 1 + (i + t * kPCs / kRenderThreads) % kPCs;
                    if (Render(connection, pc) != alone[pc]) ++differing;
                }
            } catch (const CDBException&) {
                ++failed;
            }
        });
    }
    std::thread executor([&] {
        while (rendering) {
            if (exports.Execute(0, 0, 0) != HW_EXECUTE_NOT_SUPPORTED) ++wrongExecuteAnswers;
            ++executeCalls;
        }
    });
    std::thread halter([&] {
        for (bool wait = false; rendering; wait = !wait) {
            exports.HaltExecution(wait);
            ++haltCalls;
        }
    });
    for (std::thread& t : renderers) t.join();
    rendering = false;
    executor.join();
    halter.join();

    EXPECT_EQ(failed, 0);
    EXPECT_EQ(differing, 0) << "reports rendered concurrently differ from those rendered alone";
    EXPECT_EQ(wrongExecuteAnswers, 0);
    EXPECT_GT(executeCalls, 0);
    EXPECT_GT(haltCalls, 0);

    // A halt request left over from the run is cleared by Init's reset, and
    // rendering afterwards is unchanged.
    HwInitBlock block{};
    block.Reset = 1;
    EXPECT_EQ(exports.Init(&block), 1);
    CDataConnection connection;
    connection.Open(connect.c_str());
    EXPECT_EQ(Render(connection, kPCs), alone[kPCs]);
}

}  // namespace
