// Everything one bench/run measures, section by section, and how it is shown:
// the tables on the terminal and one JSON file.
//
// The JSON file (layout 2) is one object:
//   "layout": 2, "date", "commit", "machine" {...}, "settings" {...},
//   "sections": {
//     "micro":   [ {name, ns_per_iteration, mb_per_second | items_per_second} ],
//     "reports": [ {backend, pcs,
//                   end_to_end: [ {threads, reports, reports_per_second,
//                                  load_average, peak_rss_kib, latency {...}} ],
//                   two_threads_over_one {rounds: [ {one_thread_reports_per_second,
//                                  two_threads_reports_per_second, ratio,
//                                  one_thread_cpu_ms_per_report,
//                                  two_threads_cpu_ms_per_report, load_average} ],
//                                  median_ratio, min_ratio, max_ratio},
//                   split {...}, floor {...} (SQLite only)} ],
//     "scale":   [ {backend, small_pcs, large_pcs, p50_ratio (of the end-to-end
//                  one-thread runs), and for SQLite rounds: [ {small_p50_ms,
//                  large_p50_ms, ratio, load_average} ], median_ratio, min_ratio,
//                  max_ratio} ],
//     "memory":  {database, rss_kib_after_reports: [ {reports, rss_kib} ]},
//     "batch":   {database, pcs, runs: [ {jobs, pages, failed, seconds,
//                                         reports_per_second, load_average} ]},
//     "import":  {samples, mean_sample_kib, runs: [ {backend, jobs, history, again, inventories,
//                 failed, seconds, inventories_per_second, peak_rss_kib, load_average} ]},
//     ... and one object per outside section (below)
//   },
//   "summary": {"ratio_to_floor": {"1000": r, ...}, "line": "ratio to floor: 1k ..."}
// Every latency is {count, p50_ms, p95_ms, p99_ms, mean_ms, min_ms, max_ms};
// every load_average is /proc/loadavg's three figures when the run ended.
//
// Adding a section: a program of its own (a web server's load generator, say)
// writes its JSON object to a file and bench/run passes it to hwbench as
// --section NAME=FILE (bench/run's `outside_sections`): hwbench puts it under
// "sections" as NAME, and the program prints its own table. A section
// measured inside hwbench instead gets a member of Results, a Print*/Write*
// pair in Results.cpp and a line in hwbench.cpp's Run.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "bench/BatchBench.h"
#include "bench/BenchSupport.h"
#include "bench/EndToEnd.h"
#include "bench/ImportBench.h"
#include "bench/ReportPieces.h"

namespace bench {

struct MicroResult {
    std::string name;
    double nsPerIteration;
    double bytesPerSecond;  // 0 when not counted
    double itemsPerSecond;
};

struct FleetResult {
    std::string backend;
    int32_t pcs = 0;
    std::vector<ReportRun> runs;        // one per thread count, 1 first
    std::vector<ScalingRound> scaling;  // in the order they ran
    SplitTimes split;
    bool hasFloor = false;
    std::vector<double> floorReads, floorTransform, floor;
    std::vector<double> floorDisplay;  // Display of the same PCs, in turns with the floor
    bool floorPageSame = false;
};

struct Results {
    Machine machine;
    std::string date, commit, loadStart, loadEnd;
    // What the run was asked to do, as "settings" (name, value).
    std::vector<std::pair<std::string, double>> settings;
    std::vector<MicroResult> micro;
    std::vector<FleetResult> fleets;
    // The largest SQLite fleet against the smallest, one thread, in turns.
    std::vector<FleetSizeRound> sqliteScaleRounds;
    std::vector<std::pair<size_t, long>> memory;
    std::string memoryDatabase;
    std::string memoryError;
    std::vector<BatchRunResult> batch;
    std::string batchDatabase;
    std::vector<ImportRun> imports;
    std::vector<std::string> importSamples;
    double importMeanKb = 0;
    // Sections measured by programs of their own: name, JSON object text.
    std::vector<std::pair<std::string, std::string>> outside;
};

// All tables, then the one-line summary.
void PrintResults(const Results& r);
// The results file's text.
std::string ToJson(const Results& r);
// "ratio to floor: 1k 1.12, 10k 1.15, 100k 1.19" (SQLite fleets with a floor),
// or "" when no fleet had one.
std::string RatioToFloorLine(const Results& r);

}  // namespace bench
