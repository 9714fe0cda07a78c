// `hwconsole batch`: the options; host/BatchRun.h renders the reports.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "console/Console.h"
#include "host/BatchRun.h"
#include "host/ComponentLoader.h"
#include "host/PcList.h"

namespace {

constexpr int kMaxJobs = 64;
constexpr int kMaxReconnectWait = 3600;  // seconds

// Each Read* fills its part of the plan from the options and returns 0, or
// prints why it cannot and returns the exit code.

// Which PCs (--pcs LIST or --all) and where their files go (--out-dir).
int ReadTargets(const CommandLine& cmd, BatchPlan& plan) {
    std::string error;
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
    return 0;
}

// How many workers (--jobs) and how long they wait for a server (--reconnect-wait).
int ReadLimits(const CommandLine& cmd, BatchPlan& plan) {
    plan.jobs = static_cast<int>(std::min(8u, std::max(1u, std::thread::hardware_concurrency())));
    unsigned long long value = 0;
    if (cmd.Has("jobs")) {
        if (!ParseWholeNumber(cmd.Option("jobs"), kMaxJobs, value) || value < 1) {
            fprintf(stderr, "hwconsole: --jobs needs a number from 1 to %d\n", kMaxJobs);
            return kExitUsage;
        }
        plan.jobs = static_cast<int>(value);
    }
    if (cmd.Has("reconnect-wait")) {
        if (!ParseWholeNumber(cmd.Option("reconnect-wait"), kMaxReconnectWait, value)) {
            fprintf(stderr, "hwconsole: --reconnect-wait needs a number of seconds from 0 to %d\n",
                    kMaxReconnectWait);
            return kExitUsage;
        }
        plan.reconnectWait = std::chrono::seconds(static_cast<long long>(value));
    }
    return 0;
}

// The stylesheets (--format, --styles), the database and the header texts.
int ReadSources(const CommandLine& cmd, const std::string& componentPath, BatchPlan& plan) {
    std::string error;
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
    return 0;
}

}  // namespace

int RunBatch(const CommandLine& cmd) {
    const std::string componentPath = cmd.Option("component", DefaultComponentPath());
    BatchPlan plan;
    if (const int code = ReadTargets(cmd, plan)) return code;
    if (const int code = ReadLimits(cmd, plan)) return code;
    if (const int code = ReadSources(cmd, componentPath, plan)) return code;

    ComponentLoader component;
    if (!component.Load(componentPath)) {
        fprintf(stderr, "hwconsole: %s\n", component.Error().c_str());
        return kExitComponent;
    }
    std::string error;
    if (!PrepareBatch(plan, cmd.Has("all"), error)) {
        fprintf(stderr, "hwconsole: %s\n", error.c_str());
        return kExitFailed;
    }
    const BatchSummary summary = RunBatchPlan(component.Exports(), plan);
    printf("batch: %zu done, %zu failed, %.2f s, %.1f reports/s, in %s\n", summary.done,
           summary.failed, summary.seconds,
           summary.seconds > 0 ? static_cast<double>(summary.done) / summary.seconds : 0.0,
           plan.outDir.c_str());
    fflush(stdout);
    return summary.failed ? kExitFailed : kExitOk;
}
