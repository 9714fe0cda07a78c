// hwbench: what one hardware report costs, how that scales with the fleet,
// how far it is from the least work that produces the same page, and whether
// memory stays flat. bench/run drives it; see bench/README.md.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BatchBench.h"
#include "bench/BenchSupport.h"
#include "bench/EndToEnd.h"
#include "bench/Floor.h"
#include "bench/ImportBench.h"
#include "bench/Micro.h"
#include "bench/ReportPieces.h"
#include "bench/Results.h"
#include "bench/ShareCheck.h"
#include "db/DynamicQuery.h"
#include "host/FreedMemory.h"
#include "host/Installation.h"
#include "host/ReportRun.h"
#include "import/ImportRun.h"

namespace bench {
namespace {

constexpr uint64_t kSeed = 20240601;

struct Options {
    std::vector<std::pair<int32_t, std::string>> sqlite;  // PCs, file
    std::string pgConnect;
    std::vector<int32_t> pgSizes;
    std::vector<int32_t> threads{1, 2, 4};  // host threads of the end-to-end runs
    size_t reports = 1000;
    int scalingRounds = 9;  // pairs of runs in turns: 1 and 2 threads; small and large fleet
    size_t splitPcs = 200;
    size_t memoryReports = 10000;
    int32_t memoryFleet = 0;  // 0: the smallest SQLite fleet
    bool micro = true;
    std::string scratch = ".";
    std::string json;
    std::string commit = "unknown";
    int32_t profilePc = 0;      // nonzero: only that PC's report, for callgrind
    bool profileFloor = false;  // with profilePc: the floor's reads and transform instead
    int32_t shareCheckPc = 0;   // nonzero: only the shared-stylesheet threads, for a race detector
    size_t importCount = 10000;
    std::vector<std::string> importSamples;  // empty: no import runs
    size_t batchPcs = 20000;                 // 0: no batch runs
    int32_t batchFleet = 0;                  // 0: the largest SQLite fleet
    std::vector<int32_t> batchJobs{1, 2, 4};
    std::vector<std::pair<std::string, std::string>> sections;  // outside: name, JSON file
};

const char kUsage[] =
    "usage: hwbench [options] [--benchmark_* options of Google Benchmark]\n"
    "  --sqlite N=FILE     an SQLite fleet of N PCs (hwconsole init-db); repeatable\n"
    "  --pg CONNECT        also measure PostgreSQL through this ODBC connection string;\n"
    "                      each size is loaded into it with hwconsole init-db --force\n"
    "  --pg-sizes N,N,...  fleet sizes on PostgreSQL (default: the SQLite sizes)\n"
    "  --reports N         reports per end-to-end run (default 1000)\n"
    "  --rounds N          pairs of runs made in turns: a 1- and a 2-thread run on\n"
    "                      each fleet, for two threads against one, and one thread on\n"
    "                      the smallest and largest SQLite fleet, for the scale\n"
    "                      (default 9, 0 skips)\n"
    "  --split N           PCs sampled for the split and the floor (default 200)\n"
    "  --memory N          consecutive reports for the RSS check (default 10000, 0 skips)\n"
    "  --memory-fleet N    the SQLite fleet the RSS check uses (default the smallest)\n"
    "  --no-micro          skip the micro benchmarks\n"
    "  --scratch DIR       where the micro benchmark's 10,000-row database is kept\n"
    "  --json FILE         write the results as JSON\n"
    "  --commit TEXT       the source's commit, recorded in the results\n"
    "  --import-samples FILE,FILE,...  also measure importing: inventories made from\n"
    "                      these, into SQLite (and --pg), parsed in 1 and 2 threads\n"
    "  --import N          inventories per import run (default 10000)\n"
    "  --threads N,N,...   host threads of the end-to-end runs (default 1,2,4)\n"
    "  --batch-pcs N       hwconsole batch over PCs 1-N (default 20000, 0 skips)\n"
    "  --batch-fleet N     the SQLite fleet the batch runs on (default the largest)\n"
    "  --batch-jobs N,...  its --jobs (default 1,2,4)\n"
    "  --section NAME=FILE a section measured by a program of its own: the JSON\n"
    "                      object in FILE goes into the results as sections.NAME\n"
    "  --profile PC        only Display of that PC, --reports times after one warm-up,\n"
    "                      on the first fleet: for valgrind --tool=callgrind\n"
    "                      --toggle-collect=Display (instructions per report)\n"
    "  --profile-floor PC  the same for the floor: its reads and transform of that PC\n"
    "                      (--toggle-collect='bench::FloorReport*')\n"
    "  --share-check PC    only three threads transforming that PC's report with one\n"
    "                      shared compiled stylesheet, for bench/racecheck\n";

int32_t ParseCount(const std::string& text) {
    char* end = nullptr;
    const long value = strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 100000000)
        throw std::invalid_argument("not a count: " + text);
    return static_cast<int32_t>(value);
}

std::vector<int32_t> ParseCounts(const std::string& list) {
    std::vector<int32_t> counts;
    size_t start = 0;
    while (start <= list.size()) {
        const size_t comma = std::min(list.find(',', start), list.size());
        counts.push_back(ParseCount(list.substr(start, comma - start)));
        start = comma + 1;
    }
    return counts;
}

Options ParseOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) throw std::invalid_argument(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--sqlite") {
            const std::string sizeAndFile = value();
            const size_t equals = sizeAndFile.find('=');
            if (equals == std::string::npos) throw std::invalid_argument("--sqlite wants N=FILE");
            o.sqlite.emplace_back(ParseCount(sizeAndFile.substr(0, equals)),
                                  sizeAndFile.substr(equals + 1));
        } else if (arg == "--pg") {
            o.pgConnect = value();
        } else if (arg == "--pg-sizes") {
            o.pgSizes = ParseCounts(value());
        } else if (arg == "--threads") {
            o.threads = ParseCounts(value());
        } else if (arg == "--reports") {
            o.reports = static_cast<size_t>(ParseCount(value()));
        } else if (arg == "--rounds") {
            o.scalingRounds = ParseCount(value());
        } else if (arg == "--split") {
            o.splitPcs = static_cast<size_t>(ParseCount(value()));
        } else if (arg == "--memory") {
            o.memoryReports = static_cast<size_t>(ParseCount(value()));
        } else if (arg == "--memory-fleet") {
            o.memoryFleet = ParseCount(value());
        } else if (arg == "--no-micro") {
            o.micro = false;
        } else if (arg == "--scratch") {
            o.scratch = value();
        } else if (arg == "--json") {
            o.json = value();
        } else if (arg == "--commit") {
            o.commit = value();
        } else if (arg == "--import-samples") {
            const std::string list = value();
            for (size_t start = 0; start < list.size();) {
                const size_t comma = std::min(list.find(',', start), list.size());
                o.importSamples.push_back(list.substr(start, comma - start));
                start = comma + 1;
            }
        } else if (arg == "--import") {
            o.importCount = static_cast<size_t>(ParseCount(value()));
        } else if (arg == "--batch-pcs") {
            o.batchPcs = static_cast<size_t>(ParseCount(value()));
        } else if (arg == "--batch-fleet") {
            o.batchFleet = ParseCount(value());
        } else if (arg == "--batch-jobs") {
            o.batchJobs = ParseCounts(value());
        } else if (arg == "--section") {
            const std::string nameAndFile = value();
            const size_t equals = nameAndFile.find('=');
            if (equals == std::string::npos || equals == 0)
                throw std::invalid_argument("--section wants NAME=FILE");
            o.sections.emplace_back(nameAndFile.substr(0, equals), nameAndFile.substr(equals + 1));
        } else if (arg == "--profile") {
            o.profilePc = ParseCount(value());
        } else if (arg == "--share-check") {
            o.shareCheckPc = ParseCount(value());
        } else if (arg == "--profile-floor") {
            o.profilePc = ParseCount(value());
            o.profileFloor = true;
        } else if (arg == "--help" || arg == "-h") {
            fputs(kUsage, stdout);
            exit(0);
        } else {
            throw std::invalid_argument("unknown option " + arg);
        }
    }
    if (o.pgSizes.empty())
        for (const auto& fleet : o.sqlite) o.pgSizes.push_back(fleet.first);
    if (o.reports == 0 || o.splitPcs == 0) throw std::invalid_argument("counts must be positive");
    return o;
}

// Shows Google Benchmark's usual table and keeps the runs for the results.
class KeepingReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
            auto counter = [&run](const char* name) {
                const auto it = run.counters.find(name);
                return it == run.counters.end() ? 0.0 : static_cast<double>(it->second);
            };
            const double ns = run.GetAdjustedRealTime() *
                              benchmark::GetTimeUnitMultiplier(benchmark::kNanosecond) /
                              benchmark::GetTimeUnitMultiplier(run.time_unit);
            results.push_back({run.benchmark_name(), ns, counter("bytes_per_second"),
                               counter("items_per_second")});
        }
    }
    std::vector<MicroResult> results;
};

// The JSON object an outside section's program wrote, checked and re-written.
std::string ReadSection(const std::string& file) {
    std::ifstream in(file);
    if (!in) throw std::runtime_error("cannot read section file " + file);
    const nlohmann::json object = nlohmann::json::parse(in, nullptr, false);
    if (!object.is_object())
        throw std::runtime_error("section file " + file + " holds no JSON object");
    return object.dump(2);
}

// The number of PCs the database holds, or -1 when it has no hardware tables.
long CountPcs(const std::string& connect) {
    class CountQuery : public CDynamicQuery {
    public:
        using CDynamicQuery::CDynamicQuery;
        CString BuildSQL() override { return "SELECT COUNT(*) FROM [dbo].[SystemOverview]"; }
    };
    try {
        CDataConnection connection;
        connection.Open(connect.c_str());
        CountQuery query(&connection);
        LONG count = 0;
        query.AddLong(&count);
        return query.Execute(0, 0) > 0 ? count : 0;
    } catch (const CDBException&) {
        return -1;
    }
}

// The shell command that (re)creates a fleet of `pcs` PCs; `option` is
// "--db" or "--connect".
std::string InitDbCommand(const std::string& option, const std::string& target, int32_t pcs) {
    std::string quoted = target;
    for (size_t pos = 0; (pos = quoted.find('\'', pos)) != std::string::npos; pos += 4)
        quoted.replace(pos, 1, "'\\''");
    return "'" + InstallationFolder() + "bin/hwconsole' init-db " + option + " '" + quoted +
           "' --pcs " + std::to_string(pcs) + " --seed 1 --force";
}

// Loads a fleet of `pcs` PCs into the PostgreSQL database unless it holds one.
void EnsurePgFleet(const std::string& connect, int32_t pcs) {
    if (CountPcs(connect) == pcs) return;
    printf("loading %d PCs into PostgreSQL...\n", pcs);
    fflush(stdout);
    if (system(InitDbCommand("--connect", connect, pcs).c_str()) != 0)
        throw std::runtime_error("hwconsole init-db could not load the PostgreSQL fleet");
}

FleetResult MeasureFleet(const HwExports& exports, const std::string& backend, int32_t pcs,
                         const std::string& connect, const std::string& sqliteFile,
                         const Options& o) {
    FleetResult fleet;
    fleet.backend = backend;
    fleet.pcs = pcs;
    for (const int threads : o.threads) {
        printf("%s %d PCs: %zu reports on %d thread%s...\n", backend.c_str(), pcs, o.reports,
               threads, threads == 1 ? "" : "s");
        fflush(stdout);
        fleet.runs.push_back(RunReports(exports, connect, pcs, threads, o.reports, kSeed));
        if (!fleet.runs.back().error.empty())
            throw std::runtime_error(backend + ": " + fleet.runs.back().error);
    }

    if (o.scalingRounds > 0) {
        printf("%s %d PCs: %d rounds of 1 and 2 threads in turns, %zu reports each...\n",
               backend.c_str(), pcs, o.scalingRounds, o.reports);
        fflush(stdout);
        fleet.scaling = RunScalingRounds(exports, connect, pcs, o.scalingRounds, o.reports, kSeed);
    }

    const std::vector<int32_t> sample = SamplePcs(pcs, o.splitPcs, kSeed);
    const std::string styles = InstallationStylesFolder();
    CDataConnection connection;
    connection.Open(connect.c_str());
    fleet.split = MeasureSplit(connection, sample, styles);

    if (!sqliteFile.empty()) {
        // Display and the floor take turns on each sampled PC (which goes
        // first alternates, as it meets the PC's pages cold), so that both
        // sides of the ratio see the machine at the same moments. The
        // floor's input documents are built beforehand.
        fleet.hasFloor = true;
        SqliteFloor reads(sqliteFile);
        XsltFloor transform(styles + "StdHardwareStyleSheet.xsl", styles);
        std::vector<std::string> documents;
        for (const int32_t pc : sample) documents.push_back(BuildReportDocument(connection, pc));
        DisplayRequest request = BenchRequest(connection);
        for (size_t i = 0; i < sample.size(); ++i) {
            request.PCID = sample[i];
            CString page;
            std::string html;
            double displayMs = 0, readMs = 0, transformMs = 0;
            auto display = [&] {
                const Clock::time_point start = Clock::now();
                DisplayInOneTransaction(exports, request, page);
                displayMs = MillisecondsSince(start);
            };
            auto floor = [&] {
                Clock::time_point start = Clock::now();
                reads.ReadPc(request.PCID);
                readMs = MillisecondsSince(start);
                start = Clock::now();
                html = transform.Transform(documents[i]);
                transformMs = MillisecondsSince(start);
            };
            if (i % 2) {
                floor();
                display();
            } else {
                display();
                floor();
            }
            fleet.floorDisplay.push_back(displayMs);
            fleet.floorReads.push_back(readMs);
            fleet.floorTransform.push_back(transformMs);
            fleet.floor.push_back(readMs + transformMs);
            // The floor must produce the very page Display produces.
            if (i == 0) fleet.floorPageSame = page.str() == html;
        }
    }
    return fleet;
}

// The same report again and again, nothing else: what callgrind counts
// between the toggles is Display alone.
int Profile(const Options& o) {
    if (o.sqlite.empty() && o.pgConnect.empty())
        throw std::invalid_argument("--profile needs a fleet (--sqlite or --pg)");
    ComponentLoader component;
    if (!component.Load(DefaultComponentPath()))
        throw std::runtime_error("cannot load the component: " + component.Error());
    CDataConnection connection;
    connection.Open(o.sqlite.empty() ? o.pgConnect.c_str()
                                     : ("Driver=SQLite3;Database=" + o.sqlite[0].second).c_str());
    const DisplayRequest request = BenchRequest(connection, o.profilePc);
    std::vector<double> times;
    if (o.profileFloor) {
        if (o.sqlite.empty()) throw std::invalid_argument("--profile-floor needs an SQLite fleet");
        const std::string styles = InstallationStylesFolder();
        SqliteFloor reads(o.sqlite[0].second);
        XsltFloor transform(styles + "StdHardwareStyleSheet.xsl", styles);
        const std::string document = BuildReportDocument(connection, o.profilePc);
        for (size_t i = 0; i <= o.reports; ++i) {
            const Clock::time_point start = Clock::now();
            if (FloorReport(reads, transform, o.profilePc, document).empty())
                throw std::runtime_error("the floor produced no HTML");
            if (i > 0) times.push_back(MillisecondsSince(start));
        }
        const Summary s = Summarise(times);
        printf("floor, PC %d: %zu reports after one warm-up, p50 %.3f ms, mean %.3f ms\n",
               o.profilePc, s.count, s.p50, s.mean);
        return 0;
    }
    for (size_t i = 0; i <= o.reports; ++i) {
        CString html;
        const Clock::time_point start = Clock::now();
        DisplayInOneTransaction(component.Exports(), request, html);
        if (i > 0) times.push_back(MillisecondsSince(start));
        if (html.IsEmpty()) throw std::runtime_error("Display produced no HTML");
    }
    const Summary s = Summarise(times);
    printf("PC %d: %zu reports after one warm-up, p50 %.3f ms, mean %.3f ms\n", o.profilePc,
           s.count, s.p50, s.mean);
    return 0;
}

int Run(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);  // takes its --benchmark_* options out
    const Options o = ParseOptions(argc, argv);
    if (o.profilePc != 0) return Profile(o);
    if (o.shareCheckPc != 0) {
        if (o.sqlite.empty()) throw std::invalid_argument("--share-check needs an SQLite fleet");
        CDataConnection connection;
        connection.Open(("Driver=SQLite3;Database=" + o.sqlite[0].second).c_str());
        RunShareCheck(InstallationStylesFolder() + "StdHardwareStyleSheet.xsl",
                      BuildReportDocument(connection, o.shareCheckPc), 3);
        printf("PC %d: three threads transformed with one shared stylesheet\n", o.shareCheckPc);
        return 0;
    }

    Results r;
    r.machine = DescribeMachine();
    r.date = NowIso8601();
    r.commit = o.commit;
    r.loadStart = LoadAverage();
    r.settings = {{"reports_per_run", static_cast<double>(o.reports)},
                  {"scaling_rounds", static_cast<double>(o.scalingRounds)},
                  {"split_sample_pcs", static_cast<double>(o.splitPcs)},
                  {"memory_reports", static_cast<double>(o.memoryReports)},
                  {"batch_pcs", static_cast<double>(o.batchPcs)},
                  {"import_inventories", static_cast<double>(o.importCount)}};
    for (const auto& [name, file] : o.sections) r.outside.emplace_back(name, ReadSection(file));

    if (o.micro) {
        RegisterMicroBenchmarks(o.scratch + "/query-10000.db");
        KeepingReporter reporter;
        benchmark::RunSpecifiedBenchmarks(&reporter);
        r.micro = reporter.results;
    }

    ComponentLoader component;
    if (!component.Load(DefaultComponentPath()))
        throw std::runtime_error("cannot load the component: " + component.Error());
    const HwExports& exports = component.Exports();

    if (!o.sqlite.empty() || !o.pgConnect.empty()) MeasureMachineScaling(r.machine);
    for (const auto& [pcs, file] : o.sqlite)
        r.fleets.push_back(
            MeasureFleet(exports, "sqlite", pcs, "Driver=SQLite3;Database=" + file, file, o));
    if (o.sqlite.size() > 1 && o.scalingRounds > 0) {
        const auto small = std::min_element(o.sqlite.begin(), o.sqlite.end());
        const auto large = std::max_element(o.sqlite.begin(), o.sqlite.end());
        printf(
            "sqlite %d and %d PCs: %d rounds of one thread on each in turns, %zu reports each...\n",
            small->first, large->first, o.scalingRounds, o.reports);
        fflush(stdout);
        auto connect = [](const std::pair<int32_t, std::string>& f) {
            return std::make_pair(f.first, "Driver=SQLite3;Database=" + f.second);
        };
        r.sqliteScaleRounds = RunFleetSizeRounds(exports, connect(*small), connect(*large),
                                                 o.scalingRounds, o.reports, kSeed);
    }
    if (!o.pgConnect.empty()) {
        for (const int32_t pcs : o.pgSizes) {
            EnsurePgFleet(o.pgConnect, pcs);
            r.fleets.push_back(MeasureFleet(exports, "postgres", pcs, o.pgConnect, "", o));
        }
    }

    if (o.memoryReports > 0 && !o.sqlite.empty()) {
        auto fleet = std::min_element(o.sqlite.begin(), o.sqlite.end());
        if (o.memoryFleet)
            fleet = std::find_if(o.sqlite.begin(), o.sqlite.end(),
                                 [&o](const auto& f) { return f.first == o.memoryFleet; });
        if (fleet == o.sqlite.end()) throw std::invalid_argument("no SQLite fleet of that size");
        std::vector<size_t> checkpoints;
        for (size_t n = 1000; n < o.memoryReports; n += 1000) checkpoints.push_back(n);
        checkpoints.push_back(o.memoryReports);
        printf("memory: %zu consecutive reports on the %d-PC fleet...\n", o.memoryReports,
               fleet->first);
        fflush(stdout);
        r.memoryDatabase = std::to_string(fleet->first) + " PCs, SQLite";
        r.memory = RunMemory(exports, "Driver=SQLite3;Database=" + fleet->second, fleet->first,
                             checkpoints, kSeed, r.memoryError);
    }

    if (o.batchPcs > 0 && !o.sqlite.empty()) {
        auto fleet = std::max_element(o.sqlite.begin(), o.sqlite.end());
        if (o.batchFleet)
            fleet = std::find_if(o.sqlite.begin(), o.sqlite.end(),
                                 [&o](const auto& f) { return f.first == o.batchFleet; });
        if (fleet == o.sqlite.end()) throw std::invalid_argument("no SQLite fleet of that size");
        const size_t pcs = std::min(o.batchPcs, static_cast<size_t>(fleet->first));
        r.batchDatabase = std::to_string(fleet->first) + " PCs, SQLite";
        for (const int jobs : o.batchJobs) {
            printf("batch: PCs 1-%zu of the %d-PC fleet, %d job%s...\n", pcs, fleet->first, jobs,
                   jobs == 1 ? "" : "s");
            fflush(stdout);
            r.batch.push_back(
                RunBatch(fleet->second, "1-" + std::to_string(pcs), pcs, jobs, o.scratch));
        }
    }

    if (!o.importSamples.empty() && o.importCount > 0) {
        KeepFreedMemory();
        const ImportSamples samples = LoadImportSamples(o.importSamples);
        r.importSamples = samples.names;
        r.importMeanKb = samples.meanKb;
        const std::string file = o.scratch + "/import.db";
        std::vector<std::array<std::string, 3>> targets{
            {"sqlite", "Driver=SQLite3;Database=" + file, InitDbCommand("--db", file, 0)}};
        if (!o.pgConnect.empty())
            targets.push_back(
                {"postgres", o.pgConnect, InitDbCommand("--connect", o.pgConnect, 0)});
        for (const auto& [backend, connect, empty] : targets) {
            // jobs 0 stands for the second pass of one parsing thread.
            for (const int pass : {1, 2, 0}) {
                for (const bool history : {false, true}) {
                    const int jobs = pass ? pass : 1;
                    printf("import: %zu inventories into %s, %d job%s, history %s%s...\n",
                           o.importCount, backend.c_str(), jobs, jobs == 1 ? "" : "s",
                           history ? "on" : "off", pass ? "" : ", again (unchanged)");
                    fflush(stdout);
                    r.imports.push_back(RunImport(samples, backend, connect, jobs, history,
                                                  pass == 0, o.importCount, empty + " >/dev/null"));
                    r.imports.back().loadAverage = LoadAverage();
                }
            }
        }
    }

    r.loadEnd = LoadAverage();
    PrintResults(r);
    if (!o.json.empty()) {
        std::ofstream out(o.json);
        out << ToJson(r);
        if (!out) throw std::runtime_error("cannot write " + o.json);
        printf("\nresults: %s\n", o.json.c_str());
    }
    // Last, so that it is the line a reader of a long run finds first.
    const std::string ratios = RatioToFloorLine(r);
    if (!ratios.empty()) printf("%s\n", ratios.c_str());
    return 0;
}

}  // namespace
}  // namespace bench

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);  // progress lines show up when piped too
    try {
        return bench::Run(argc, argv);
    } catch (const std::invalid_argument& e) {
        fprintf(stderr, "hwbench: %s\n%s", e.what(), bench::kUsage);
        return 2;
    } catch (const std::exception& e) {
        fprintf(stderr, "hwbench: %s\n", e.what());
        return 1;
    }
}
