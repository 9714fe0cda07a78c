// `hwconsole batch`: the options; host/BatchRun.h renders the reports.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>

#include "console/Console.h"
#include "host/BatchRun.h"
#include "host/ComponentLoader.h"
#include "host/PcList.h"

namespace {

constexpr int kMaxJobs = 64;
constexpr int kMaxReconnectWait = 3600;  // seconds

struct BatchOptions {
    DatabaseChoice database;
    std::optional<std::string> pcs, outDir, jobs, reconnectWait;
    bool all = false;
    StyleChoice styles;
    std::string user, company, componentPath;
};

// Each Read* fills its part of the plan from the options and returns 0, or
// prints why it cannot and returns the exit code.

// Which PCs (--pcs LIST or --all) and where their files go (--out-dir).
int ReadTargets(const BatchOptions& options, BatchPlan& plan) {
    std::string error;
    if (options.pcs.has_value() == options.all) {
        fprintf(stderr, "hwconsole: batch needs either --pcs LIST (e.g. 1-500,733) or --all\n");
        return kExitUsage;
    }
    if (options.pcs && !ParsePcList(*options.pcs, plan.pcIds, plan.pcNames, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    plan.outDir = options.outDir.value_or("");
    if (plan.outDir.empty()) {
        fprintf(stderr, "hwconsole: batch needs --out-dir DIR\n");
        return kExitUsage;
    }
    if (plan.outDir.back() != '/') plan.outDir += '/';
    return 0;
}

// How many workers (--jobs) and how long they wait for a server (--reconnect-wait).
int ReadLimits(const BatchOptions& options, BatchPlan& plan) {
    plan.jobs = static_cast<int>(std::min(8u, std::max(1u, std::thread::hardware_concurrency())));
    unsigned long long value = 0;
    if (options.jobs) {
        if (!ParseWholeNumber(*options.jobs, kMaxJobs, value) || value < 1) {
            fprintf(stderr, "hwconsole: --jobs needs a number from 1 to %d\n", kMaxJobs);
            return kExitUsage;
        }
        plan.jobs = static_cast<int>(value);
    }
    if (options.reconnectWait) {
        if (!ParseWholeNumber(*options.reconnectWait, kMaxReconnectWait, value)) {
            fprintf(stderr, "hwconsole: --reconnect-wait needs a number of seconds from 0 to %d\n",
                    kMaxReconnectWait);
            return kExitUsage;
        }
        plan.reconnectWait = std::chrono::seconds(static_cast<long long>(value));
    }
    return 0;
}

// The stylesheets (--format, --styles), the database and the header texts.
int ReadSources(const BatchOptions& options, BatchPlan& plan) {
    std::string error;
    if (!ResolveReportStyles(options.styles.format, options.styles.folder, options.componentPath,
                             plan.styles, error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitUsage;
    }
    int exitCode = kExitOk;
    plan.connect = ConnectionStringOrExplain(options.database, exitCode);
    if (plan.connect.empty()) return exitCode;
    plan.databaseName = DatabaseName(options.database);
    plan.user = options.user;
    plan.company = options.company;
    return 0;
}

int RunBatch(const BatchOptions& options) {
    BatchPlan plan;
    if (const int code = ReadTargets(options, plan)) return code;
    if (const int code = ReadLimits(options, plan)) return code;
    if (const int code = ReadSources(options, plan)) return code;

    ComponentLoader component;
    if (!component.Load(options.componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    std::string error;
    const BatchReadiness readiness = PrepareBatch(plan, options.all, error);
    if (readiness != BatchReadiness::kReady) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return readiness == BatchReadiness::kAmbiguous ? kExitUsage : kExitFailed;
    }
    if (plan.pcIds.empty()) {
        fprintf(stderr, "hwconsole: no PC to report: %s has no PC with overview or firmware rows\n",
                plan.databaseName.c_str());
        return kExitFailed;
    }
    const BatchSummary summary = RunBatchPlan(component.Exports(), plan);
    printf("batch: %zu done, %zu failed, %.2f s, %.1f reports/s, in %s\n", summary.done,
           summary.failed, summary.seconds,
           summary.seconds > 0 ? static_cast<double>(summary.done) / summary.seconds : 0.0,
           plan.outDir.c_str());
    fflush(stdout);
    if (!summary.written.empty()) {
        if (!WriteBatchIndexPages(plan, summary, error)) {
            fprintf(stderr, "hwconsole: %s\n", error.c_str());
            return kExitFailed;
        }
        printf("batch: index of the reports: %sindex.html\n", plan.outDir.c_str());
    }
    return summary.failed ? kExitFailed : kExitOk;
}

}  // namespace

void AddBatchCommand(CommandLine& line) {
    auto options = std::make_shared<BatchOptions>();
    CLI::App* command = line.Add("batch", "reports for many PCs, one file per PC",
                                 [options] { return RunBatch(*options); });
    command->footer(
        "A progress bar shows on a terminal; a failing PC is reported and the batch\n"
        "goes on; the summary goes to standard output.");
    AddDatabaseOptions(command, options->database);
    AddOption(command, "--pcs", options->pcs,
              "the PCs by ID, range, host name, serial number or asset tag, e.g. "
              "1-500,733,WS-0042",
              "LIST");
    command->add_flag("--all", options->all, "every PC in SystemOverview or BIOS");
    AddOption(command, "--out-dir", options->outDir, "where the files go (created if missing)",
              "DIR");
    AddOption(command, "--jobs", options->jobs,
              "worker threads, each with its own connection (default: cores, at most 8)", "N");
    AddOption(command, "--reconnect-wait", options->reconnectWait,
              "how long a worker whose connection broke waits for an unreachable server to "
              "come back (default 30; 0: do not wait)",
              "SECONDS");
    AddStyleOptions(command, options->styles);
    AddHeaderOptions(command, options->user, options->company);
    AddComponentOption(command, options->componentPath);
}
