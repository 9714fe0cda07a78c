// Reports for many PCs into a folder, one file per PC (pc-ID.html, .txt or
// .xml) and an index of them, rendered by a few worker threads: what
// `hwconsole batch` does. The
// component is loaded once and shared; each worker has its own connection,
// so each Display touches only its own objects. One PC's failure is
// reported and the batch goes on.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/ComponentLoader.h"
#include "host/ReportFormat.h"

struct BatchPlan {
    std::vector<int32_t> pcIds;        // in this order; PrepareBatch fills it for every PC
    std::vector<std::string> pcNames;  // PCs by name; PrepareBatch adds their IDs to pcIds
    std::string connect;               // the ODBC connection string
    std::string databaseName;          // as messages name it (no password)
    std::string outDir;                // ends in '/'
    ReportStyles styles;
    std::string user;
    std::string company;
    int jobs = 1;  // worker threads, each with its own connection
    // How long a worker whose connection broke waits for an unreachable
    // server (SQLSTATE class 08) to come back; spent once per outage.
    std::chrono::seconds reconnectWait{30};
};

// What fails every PC the same way, checked once before any worker starts:
// the stylesheet is readable, the database opens (with everyPc, its PCs
// become plan.pcIds), the names in plan.pcNames each mean one PC
// (PcLookup.h), the output folder exists or can be made. Anything but kReady
// comes with the reason in `error`; kAmbiguous lists the PCs a name could mean.
enum class BatchReadiness { kReady, kAmbiguous, kFailed };
BatchReadiness PrepareBatch(BatchPlan& plan, bool everyPc, std::string& error);

struct BatchSummary {
    size_t done = 0;    // reports written
    size_t failed = 0;  // PCs that failed, each reported on stderr
    double seconds = 0;
    std::vector<int32_t> written;  // the PCs whose file was written, in plan order
};

// Renders every PC of the plan with plan.jobs workers (never more than
// there are PCs), with a progress bar on a terminal.
BatchSummary RunBatchPlan(const HwExports& exports, const BatchPlan& plan);

// Writes the index pages beside the reports (host/BatchIndex.h) for the PCs
// written, with their names, models and systems read from the database. False
// with the reason in `error`.
bool WriteBatchIndexPages(const BatchPlan& plan, const BatchSummary& summary, std::string& error);
