// `hwconsole batch`: reports for many PCs into a folder, one file per PC,
// rendered by a few worker threads. The component is loaded once and shared;
// each worker has its own connection, so each Display touches only its own
// objects. One PC's failure is reported and the batch goes on.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "console/Console.h"
#include "host/ComponentLoader.h"
#include "host/Connection.h"
#include "host/Inventory.h"
#include "host/Output.h"
#include "host/PcList.h"
#include "host/Progress.h"
#include "host/ReportFormat.h"
#include "host/ReportRun.h"

namespace {

constexpr int kMaxJobs = 64;
constexpr int kDefaultReconnectWait = 30;  // seconds
constexpr int kMaxReconnectWait = 3600;

struct BatchPlan {
    std::vector<int32_t> pcIds;
    std::string connect;
    std::string databaseName;
    std::string outDir;  // ends in '/'
    ReportStyles styles;
    std::string user;
    std::string company;
    std::chrono::seconds reconnectWait{kDefaultReconnectWait};
};

// Opens a worker's connection for the next PC, or returns why it could not.
// A server that cannot be reached (SQLSTATE class 08) may be restarting, so
// the worker keeps trying for up to the reconnect wait: a restart then costs
// the PCs that were in flight, not the rest of the fleet. The wait is spent
// once per outage (`waitedOut`): a server that stays down fails each later PC
// after one attempt, so the batch still ends.
std::string OpenForNextPc(CDataConnection& connection, const BatchPlan& plan, const std::string& pc,
                          bool& waitedOut, Progress& progress) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + plan.reconnectWait;
    std::chrono::milliseconds pause{100};
    for (bool announced = false;;) {
        try {
            connection.Open(plan.connect.c_str());
            waitedOut = false;
            return {};
        } catch (const CDBException& e) {
            const bool unreachable = e.GetSqlState().Left(2) == "08";
            if (!unreachable || waitedOut || Clock::now() + pause > deadline) {
                waitedOut = waitedOut || unreachable;
                return "cannot connect to " + plan.databaseName + ": " + e.what();
            }
            if (!announced) {
                progress.Message(pc + ": cannot reach " + plan.databaseName + " (SQLSTATE " +
                                 e.GetSqlState().GetString() + "); trying again for up to " +
                                 std::to_string(plan.reconnectWait.count()) + " s");
                announced = true;
            }
            std::this_thread::sleep_for(pause);
            pause = std::min(pause * 2, std::chrono::milliseconds(2000));
        }
    }
}

// One worker: takes the next PC until none is left. A connection that broke
// is dropped and a fresh one opened for the next PC.
void RunWorker(const HwExports& exports, const BatchPlan& plan, std::atomic<size_t>& next,
               Progress& progress) {
    CDataConnection connection;
    bool waitedOut = false;
    ReportRequest request;
    request.user = plan.user;
    request.company = plan.company;
    request.hostString = plan.styles.hostString;
    for (size_t index = next++; index < plan.pcIds.size(); index = next++) {
        const int32_t pcId = plan.pcIds[index];
        const std::string pc = "PC " + std::to_string(pcId);
        if (!connection.IsOpen()) {
            const std::string error = OpenForNextPc(connection, plan, pc, waitedOut, progress);
            if (!error.empty()) {
                progress.Message(pc + ": " + error);
                progress.Step(true);
                continue;
            }
        }
        request.pcId = pcId;
        ReportOutcome outcome = RenderReport(exports, connection, request);
        bool failed = true;
        switch (outcome.status) {
            case ReportOutcome::kOk: {
                std::string error;
                const std::string file =
                    plan.outDir + "pc-" + std::to_string(pcId) + "." + plan.styles.extension;
                if (WriteFileAtomically(file, outcome.text, error))
                    failed = false;
                else
                    progress.Message(pc + ": " + error);
                break;
            }
            case ReportOutcome::kNoInventory:
                progress.Message(pc + " has no inventory rows in " + plan.databaseName);
                break;
            case ReportOutcome::kDatabaseError:
                progress.Message(pc + ": database error: " + outcome.error);
                break;
            case ReportOutcome::kTransformFailed:
                progress.Message(
                    pc + ": " +
                    DescribeStylesheetFailure(ReportStylesheetPath(plan.styles), outcome.error));
                break;
        }
        if (failed && ConnectionBroken(outcome, connection)) connection.Close();
        progress.Step(failed);
    }
}

}  // namespace

int RunBatch(const CommandLine& cmd) {
    BatchPlan plan;
    std::string error;
    const std::string componentPath = cmd.Option("component", DefaultComponentPath());
    if (cmd.Has("pcs") == cmd.Has("all")) {
        fprintf(stderr, "hwconsole: batch needs either --pcs LIST (e.g. 1-500,733) or --all\n");
        return kExitUsage;
    }
    if (cmd.Has("pcs") && !ParsePcList(cmd.Option("pcs"), plan.pcIds, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    plan.outDir = cmd.Option("out-dir");
    if (plan.outDir.empty()) {
        fprintf(stderr, "hwconsole: batch needs --out-dir DIR\n");
        return kExitUsage;
    }
    if (plan.outDir.back() != '/') plan.outDir += '/';
    int jobs = static_cast<int>(std::min(8u, std::max(1u, std::thread::hardware_concurrency())));
    if (cmd.Has("jobs")) {
        unsigned long long value = 0;
        if (!ParseWholeNumber(cmd.Option("jobs"), kMaxJobs, value) || value < 1) {
            fprintf(stderr, "hwconsole: --jobs needs a number from 1 to %d\n", kMaxJobs);
            return kExitUsage;
        }
        jobs = static_cast<int>(value);
    }
    if (cmd.Has("reconnect-wait")) {
        unsigned long long value = 0;
        if (!ParseWholeNumber(cmd.Option("reconnect-wait"), kMaxReconnectWait, value)) {
            fprintf(stderr, "hwconsole: --reconnect-wait needs a number of seconds from 0 to %d\n",
                    kMaxReconnectWait);
            return kExitUsage;
        }
        plan.reconnectWait = std::chrono::seconds(static_cast<long long>(value));
    }
    if (!ResolveReportStyles(cmd, componentPath, plan.styles, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    plan.connect = ConnectionString(cmd, error);
    if (plan.connect.empty()) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return cmd.Has("db") || cmd.Has("connect") ? kExitFailed : kExitUsage;
    }
    plan.databaseName = DatabaseName(cmd);
    plan.user = cmd.Option("user");
    plan.company = cmd.Option("company");

    ComponentLoader component;
    if (!component.Load(componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    // Every PC would fail the same way: say it once, before starting.
    const std::string stylesheet = ReportStylesheetPath(plan.styles);
    if (access(stylesheet.c_str(), R_OK) != 0) {
        fprintf(stderr, "hwconsole: %s\n", DescribeStylesheetFailure(stylesheet, "").c_str());
        return kExitFailed;
    }
    {
        // Also proves the connection string before any worker starts.
        CDataConnection connection;
        if (!OpenConnection(connection, plan.connect, plan.databaseName)) return kExitFailed;
        if (cmd.Has("all")) {
            try {
                plan.pcIds = InventoryPcIds(connection);
            } catch (const CDBException& e) {
                fprintf(stderr, "hwconsole: database error: %s\n", e.what());
                return kExitFailed;
            }
        }
    }
    if (!MakeFolders(plan.outDir.substr(0, plan.outDir.size() - 1), error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitFailed;
    }

    jobs = static_cast<int>(
        std::min<size_t>(static_cast<size_t>(jobs), std::max<size_t>(1, plan.pcIds.size())));
    Progress progress(plan.pcIds.size());
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int i = 0; i < jobs; ++i)
        workers.emplace_back(RunWorker, std::cref(component.Exports()), std::cref(plan),
                             std::ref(next), std::ref(progress));
    for (std::thread& worker : workers) worker.join();
    progress.Finish();

    const double seconds = progress.Seconds();
    const size_t failed = progress.Failed();
    const size_t done = progress.Done() - failed;
    printf("batch: %zu done, %zu failed, %.2f s, %.1f reports/s, in %s\n", done, failed, seconds,
           seconds > 0 ? static_cast<double>(done) / seconds : 0.0, plan.outDir.c_str());
    fflush(stdout);
    return failed ? kExitFailed : kExitOk;
}
