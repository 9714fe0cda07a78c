#include "host/BatchRun.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "host/BatchIndex.h"
#include "host/FleetIndex.h"
#include "host/Inventory.h"
#include "host/Output.h"
#include "host/PcLookup.h"
#include "host/Progress.h"
#include "host/ReportRun.h"
#include "platform/XmlServices.h"

namespace {

std::string PagePath(const BatchPlan& plan, int32_t pcId) {
    return plan.outDir + "pc-" + std::to_string(pcId) + "." + plan.styles.extension;
}

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
               DurableFileBatch& files, std::vector<char>& written, Progress& progress) {
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
                const std::string file = PagePath(plan, pcId);
                if (files.Write(file, outcome.text, error)) {
                    failed = false;
                    written[index] = 1;  // each worker sets only the PCs it took
                } else {
                    progress.Message(pc + ": " + error);
                }
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

BatchReadiness PrepareBatch(BatchPlan& plan, bool everyPc, std::string& error) {
    const std::string stylesheet = ReportStylesheetPath(plan.styles);
    std::string content;
    if (!ReadXmlFile(stylesheet, "stylesheet", content, error)) {
        error = DescribeStylesheetFailure(stylesheet, error);
        return BatchReadiness::kFailed;
    }
    {
        // Also proves the connection string before any worker starts.
        CDataConnection connection;
        try {
            connection.Open(plan.connect.c_str());
        } catch (const CDBException& e) {
            error = "cannot connect to " + plan.databaseName + ": " + e.what();
            return BatchReadiness::kFailed;
        }
        try {
            if (everyPc) plan.pcIds = InventoryPcIds(connection);
            bool ambiguous = false;
            if (!ResolvePcNames(connection.m_database, plan.pcNames, plan.pcIds, error, ambiguous))
                return ambiguous ? BatchReadiness::kAmbiguous : BatchReadiness::kFailed;
        } catch (const CDBException& e) {
            error = std::string("database error: ") + e.what();
            return BatchReadiness::kFailed;
        }
    }
    const std::string folder = plan.outDir.substr(0, plan.outDir.size() - 1);
    if (!MakeFolders(folder, error)) return BatchReadiness::kFailed;
    // Pages a killed batch left under their temporary names.
    RemoveOrphanedTemporaries(folder);
    return BatchReadiness::kReady;
}

BatchSummary RunBatchPlan(const HwExports& exports, const BatchPlan& plan) {
    const size_t jobs = std::min<size_t>(static_cast<size_t>(std::max(1, plan.jobs)),
                                         std::max<size_t>(1, plan.pcIds.size()));
    Progress progress(plan.pcIds.size());
    // The pages reach the disk together, a few hundred at a time, not one
    // flush each: a page's name still only ever holds the whole page.
    // A page lost at its flush gets no line in the index (only the flushing
    // thread adds here, and Finish joins it before the list is read).
    std::vector<std::string> lost;
    DurableFileBatch files([&progress, &lost](const std::string& path, const std::string& error) {
        progress.Message(error);
        progress.FailAfterStep();
        lost.push_back(path);
    });
    std::atomic<size_t> next{0};
    std::vector<char> written(plan.pcIds.size(), 0);
    std::vector<std::thread> workers;
    for (size_t i = 0; i < jobs; ++i)
        workers.emplace_back(RunWorker, std::cref(exports), std::cref(plan), std::ref(next),
                             std::ref(files), std::ref(written), std::ref(progress));
    for (std::thread& worker : workers) worker.join();
    files.Finish();
    progress.Finish();

    BatchSummary summary;
    summary.seconds = progress.Seconds();
    summary.failed = progress.Failed();
    summary.done = progress.Done() - summary.failed;
    for (const std::string& path : lost)
        for (size_t i = 0; i < written.size(); ++i)
            if (path == PagePath(plan, plan.pcIds[i])) written[i] = 0;
    for (size_t i = 0; i < written.size(); ++i)
        if (written[i]) summary.written.push_back(plan.pcIds[i]);
    return summary;
}

bool WriteBatchIndexPages(const BatchPlan& plan, const BatchSummary& summary, std::string& error) {
    std::vector<FleetRow> rows;
    if (!summary.written.empty()) {
        const auto range = std::minmax_element(summary.written.begin(), summary.written.end());
        try {
            CDataConnection connection;
            connection.Open(plan.connect.c_str());
            rows = ReadFleetRows(connection.m_database, *range.first, *range.second);
        } catch (const CDBException& e) {
            error = "cannot read the index's names from " + plan.databaseName + ": " + e.what();
            return false;
        }
    }
    // Only the pages written: a PC without a report gets no link, and a PC
    // the tables do not describe still gets one, under its number.
    std::vector<FleetRow> listed;
    std::vector<int32_t> ids = summary.written;
    std::sort(ids.begin(), ids.end());
    auto row = rows.begin();
    for (int32_t id : ids) {
        while (row != rows.end() && row->id < id) ++row;
        if (row != rows.end() && row->id == id) {
            listed.push_back(*row);
        } else {
            listed.emplace_back();
            listed.back().id = id;
        }
    }
    return WriteBatchIndex({plan.outDir, plan.styles.extension, plan.company}, listed, error);
}
