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
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/EndToEnd.h"
#include "bench/Floor.h"
#include "bench/ImportBench.h"
#include "bench/Micro.h"
#include "bench/ReportPieces.h"
#include "db/DynamicQuery.h"
#include "host/Installation.h"
#include "import/ImportRun.h"

namespace bench {
namespace {

constexpr uint64_t kSeed = 20240601;

struct Options {
    std::vector<std::pair<int32_t, std::string>> sqlite;  // PCs, file
    std::string pgConnect;
    std::vector<int32_t> pgSizes;
    size_t reports = 1000;
    size_t splitPcs = 200;
    size_t memoryReports = 10000;
    int32_t memoryFleet = 0;  // 0: the smallest SQLite fleet
    bool micro = true;
    std::string scratch = ".";
    std::string json;
    std::string commit = "unknown";
    int32_t profilePc = 0;  // nonzero: only that PC's report, for callgrind
    size_t importCount = 10000;
    std::vector<std::string> importSamples;  // empty: no import runs
};

const char kUsage[] =
    "usage: hwbench [options] [--benchmark_* options of Google Benchmark]\n"
    "  --sqlite N=FILE     an SQLite fleet of N PCs (hwconsole init-db); repeatable\n"
    "  --pg CONNECT        also measure PostgreSQL through this ODBC connection string;\n"
    "                      each size is loaded into it with hwconsole init-db --force\n"
    "  --pg-sizes N,N,...  fleet sizes on PostgreSQL (default: the SQLite sizes)\n"
    "  --reports N         reports per end-to-end run (default 1000)\n"
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
    "  --profile PC        only Display of that PC, --reports times after one warm-up,\n"
    "                      on the first fleet: for valgrind --tool=callgrind\n"
    "                      --toggle-collect=Display (instructions per report)\n";

int32_t ParseCount(const std::string& text) {
    char* end = nullptr;
    const long value = strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 0 || value > 100000000)
        throw std::invalid_argument("not a count: " + text);
    return static_cast<int32_t>(value);
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
            const std::string list = value();
            size_t start = 0;
            while (start <= list.size()) {
                const size_t comma = std::min(list.find(',', start), list.size());
                o.pgSizes.push_back(ParseCount(list.substr(start, comma - start)));
                start = comma + 1;
            }
        } else if (arg == "--reports") {
            o.reports = static_cast<size_t>(ParseCount(value()));
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
        } else if (arg == "--profile") {
            o.profilePc = ParseCount(value());
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
    struct Result {
        std::string name;
        double nsPerIteration;
        double bytesPerSecond;  // 0 when not counted
        double itemsPerSecond;
    };
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
    std::vector<Result> results;
};

struct FleetResult {
    std::string backend;
    int32_t pcs = 0;
    std::vector<ReportRun> runs;  // 1 thread, 2 threads
    SplitTimes split;
    bool hasFloor = false;
    std::vector<double> floorReads, floorTransform, floor;
    bool floorPageSame = false;
};

struct Results {
    Machine machine;
    std::string date, commit, loadStart, loadEnd;
    std::vector<KeepingReporter::Result> micro;
    std::vector<FleetResult> fleets;
    std::vector<std::pair<size_t, long>> memory;
    std::string memoryDatabase;
    std::string memoryError;
    std::vector<ImportRun> imports;
    std::vector<std::string> importSamples;
    double importMeanKb = 0;
};

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
    for (const int threads : {1, 2}) {
        printf("%s %d PCs: %zu reports on %d thread%s...\n", backend.c_str(), pcs, o.reports,
               threads, threads == 1 ? "" : "s");
        fflush(stdout);
        fleet.runs.push_back(RunReports(exports, connect, pcs, threads, o.reports, kSeed));
        if (!fleet.runs.back().error.empty())
            throw std::runtime_error(backend + ": " + fleet.runs.back().error);
    }

    const std::vector<int32_t> sample = SamplePcs(pcs, o.splitPcs, kSeed);
    const std::string styles = InstallationStylesFolder();
    CDataConnection connection;
    connection.Open(connect.c_str());
    fleet.split = MeasureSplit(connection, sample, styles);

    if (!sqliteFile.empty()) {
        fleet.hasFloor = true;
        SqliteFloor reads(sqliteFile);
        XsltFloor transform(styles + "StdHardwareStyleSheet.xsl", styles);
        for (const int32_t pc : sample) {
            const std::string document = BuildReportDocument(connection, pc);
            Clock::time_point start = Clock::now();
            reads.ReadPc(pc);
            const double readMs = MillisecondsSince(start);
            start = Clock::now();
            const std::string html = transform.Transform(document);
            const double transformMs = MillisecondsSince(start);
            fleet.floorReads.push_back(readMs);
            fleet.floorTransform.push_back(transformMs);
            fleet.floor.push_back(readMs + transformMs);
            if (pc == sample.front()) {
                // The floor must produce the very page Display produces.
                DisplayRequest request;
                request.Connection = &connection;
                request.PCID = pc;
                request.User = "bench";
                request.CompanyName = "Example Ltd";
                CString page;
                exports.Display(&request, &page);
                fleet.floorPageSame = page.str() == html;
            }
        }
    }
    return fleet;
}

double Mib(long kb) {
    return static_cast<double>(kb) / 1024.0;
}

void PrintScaleAndMemory(const Results& r);

void PrintResults(const Results& r) {
    printf("\n== HardwareList report benchmark, %s, commit %s\n", r.date.c_str(), r.commit.c_str());
    printf("machine: %d cores, %s, %.1f GiB; load average %s at start, %s at end\n",
           r.machine.cores, r.machine.cpu.c_str(), Mib(r.machine.memoryKb) / 1024.0,
           r.loadStart.c_str(), r.loadEnd.c_str());

    if (!r.micro.empty()) {
        printf("\nMicro benchmarks\n");
        for (const auto& m : r.micro) {
            if (m.bytesPerSecond > 0)
                printf("  %-36s %9.1f MB/s\n", m.name.c_str(), m.bytesPerSecond / 1e6);
            else if (m.name.rfind("CDynamicQuery", 0) == 0)
                printf("  %-36s %9.2f ms   (%.2f M rows/s)\n", m.name.c_str(),
                       m.nsPerIteration / 1e6, m.itemsPerSecond / 1e6);
            else
                printf("  %-36s %9.0f ns per row\n", m.name.c_str(), m.nsPerIteration);
        }
    }

    printf("\nEnd to end: Display through the export, random PCs\n");
    printf("  %-8s %7s %7s %7s %8s %8s %8s %9s %9s\n", "backend", "PCs", "threads", "reports",
           "p50 ms", "p95 ms", "p99 ms", "reports/s", "peak MiB");
    for (const FleetResult& f : r.fleets) {
        for (const ReportRun& run : f.runs) {
            const Summary s = Summarise(run.latencyMs);
            printf("  %-8s %7d %7d %7zu %8.2f %8.2f %8.2f %9.1f %9.1f\n", f.backend.c_str(), f.pcs,
                   run.threads, run.reports, s.p50, s.p95, s.p99,
                   static_cast<double>(run.reports) / run.wallSeconds, Mib(run.peakRssKb));
        }
    }

    printf("\nSplit of one report, in-process (median ms over the sampled PCs)\n");
    printf("  %-8s %7s %9s %10s %11s %11s %8s %9s\n", "backend", "PCs", "sections", "frame",
           "sheet load", "transform", "sum", "Display");
    for (const FleetResult& f : r.fleets) {
        const double sections = Summarise(f.split.sections).p50;
        const double build = Summarise(f.split.build).p50;
        const double load = Summarise(f.split.load).p50;
        const double transform = Summarise(f.split.transform).p50;
        printf("  %-8s %7d %9.2f %10.2f %11.2f %11.2f %8.2f %9.2f\n", f.backend.c_str(), f.pcs,
               sections, std::max(0.0, build - sections), load, transform, build + load + transform,
               Summarise(f.runs[0].latencyMs).p50);
    }
    printf(
        "  (warm page cache; sections = the nine sections' own code, their database reads and\n"
        "   the text of their rows; frame = document build minus the sections; sheet load =\n"
        "   read, parse and compile the stylesheet; transform = parse the report, transform,\n"
        "   serialise; Display = its end-to-end p50, cold pages included)\n");

    if (std::none_of(r.fleets.begin(), r.fleets.end(),
                     [](const FleetResult& f) { return f.hasFloor; }))
        return PrintScaleAndMemory(r);
    printf("\nFloor: SQLite C API with statements prepared once + stylesheet compiled once\n");
    printf("  %7s %9s %11s %9s %11s %7s %s\n", "PCs", "reads ms", "transform", "floor ms",
           "Display p50", "ratio", "same page");
    for (const FleetResult& f : r.fleets) {
        if (!f.hasFloor) continue;
        const double floor = Summarise(f.floor).p50;
        const double display = Summarise(f.runs[0].latencyMs).p50;
        printf("  %7d %9.3f %11.2f %9.2f %11.2f %7.2f %s\n", f.pcs, Summarise(f.floorReads).p50,
               Summarise(f.floorTransform).p50, floor, display, display / floor,
               f.floorPageSame ? "yes" : "NO");
    }

    PrintScaleAndMemory(r);
}

void PrintScaleAndMemory(const Results& r) {
    // Scale: the largest against the smallest fleet of each backend.
    std::map<std::string, std::pair<const FleetResult*, const FleetResult*>> extremes;
    for (const FleetResult& f : r.fleets) {
        auto& e = extremes[f.backend];
        if (!e.first || f.pcs < e.first->pcs) e.first = &f;
        if (!e.second || f.pcs > e.second->pcs) e.second = &f;
    }
    for (const auto& [backend, e] : extremes) {
        if (e.first == e.second) continue;
        const double small = Summarise(e.first->runs[0].latencyMs).p50;
        const double large = Summarise(e.second->runs[0].latencyMs).p50;
        printf("\nScale (%s): p50 at %d PCs / p50 at %d PCs = %.3f (target <= 1.25)\n",
               backend.c_str(), e.second->pcs, e.first->pcs, large / small);
    }

    if (!r.memory.empty()) {
        printf("\nMemory: consecutive reports on one connection (%s)\n", r.memoryDatabase.c_str());
        for (const auto& [reports, kb] : r.memory)
            printf("  RSS after %6zu reports: %8.1f MiB\n", reports, Mib(kb));
        const auto first = std::find_if(r.memory.begin(), r.memory.end(),
                                        [](const auto& m) { return m.first == 1000; });
        if (first != r.memory.end() && r.memory.back().first > 1000) {
            printf("  growth from 1,000 to %zu reports: %+.2f%% (target within 5%%)\n",
                   r.memory.back().first,
                   100.0 * (static_cast<double>(r.memory.back().second) - first->second) /
                       first->second);
        }
    }
    if (!r.memoryError.empty()) printf("  memory run failed: %s\n", r.memoryError.c_str());

    if (!r.imports.empty()) {
        printf("\nImport: inventories made from %zu real samples (mean %.0f KiB), each a new PC\n",
               r.importSamples.size(), r.importMeanKb);
        printf("  %-8s %5s %11s %9s %13s %9s\n", "backend", "jobs", "inventories", "seconds",
               "inventories/s", "peak MiB");
        for (const ImportRun& run : r.imports)
            printf("  %-8s %5d %11zu %9.1f %13.1f %9.1f%s\n", run.backend.c_str(), run.jobs,
                   run.inventories, run.wallSeconds,
                   static_cast<double>(run.inventories) / run.wallSeconds, Mib(run.peakRssKb),
                   run.failed ? "  (some failed)" : "");
    }
}

void WriteSummary(JsonWriter& j, const std::vector<double>& samples) {
    const Summary s = Summarise(samples);
    j.BeginObject();
    j.Key("count").Value(s.count);
    j.Key("p50_ms").Value(s.p50);
    j.Key("p95_ms").Value(s.p95);
    j.Key("p99_ms").Value(s.p99);
    j.Key("mean_ms").Value(s.mean);
    j.Key("min_ms").Value(s.min);
    j.Key("max_ms").Value(s.max);
    j.EndObject();
}

std::string ToJson(const Results& r, const Options& o) {
    JsonWriter j;
    j.BeginObject();
    j.Key("date").Value(r.date);
    j.Key("commit").Value(r.commit);
    j.Key("machine").BeginObject();
    j.Key("nproc").Value(r.machine.cores);
    j.Key("cpu").Value(r.machine.cpu);
    j.Key("memory_kib").Value(r.machine.memoryKb);
    j.Key("kernel").Value(r.machine.kernel);
    j.Key("load_average_start").Value(r.loadStart);
    j.Key("load_average_end").Value(r.loadEnd);
    j.EndObject();
    j.Key("settings").BeginObject();
    j.Key("reports_per_run").Value(o.reports);
    j.Key("split_sample_pcs").Value(o.splitPcs);
    j.Key("memory_reports").Value(o.memoryReports);
    j.EndObject();

    j.Key("micro").BeginArray();
    for (const auto& m : r.micro) {
        j.BeginObject();
        j.Key("name").Value(m.name);
        j.Key("ns_per_iteration").Value(m.nsPerIteration);
        if (m.bytesPerSecond > 0) j.Key("mb_per_second").Value(m.bytesPerSecond / 1e6);
        if (m.itemsPerSecond > 0) j.Key("items_per_second").Value(m.itemsPerSecond);
        j.EndObject();
    }
    j.EndArray();

    j.Key("fleets").BeginArray();
    for (const FleetResult& f : r.fleets) {
        j.BeginObject();
        j.Key("backend").Value(f.backend);
        j.Key("pcs").Value(f.pcs);
        j.Key("end_to_end").BeginArray();
        for (const ReportRun& run : f.runs) {
            j.BeginObject();
            j.Key("threads").Value(run.threads);
            j.Key("reports").Value(run.reports);
            j.Key("reports_per_second").Value(static_cast<double>(run.reports) / run.wallSeconds);
            j.Key("peak_rss_kib").Value(run.peakRssKb);
            j.Key("latency");
            WriteSummary(j, run.latencyMs);
            j.EndObject();
        }
        j.EndArray();
        j.Key("split").BeginObject();
        j.Key("sample_pcs").Value(f.split.sections.size());
        j.Key("sections");
        WriteSummary(j, f.split.sections);
        j.Key("document_build");
        WriteSummary(j, f.split.build);
        j.Key("stylesheet_load_compile");
        WriteSummary(j, f.split.load);
        j.Key("parse_transform");
        WriteSummary(j, f.split.transform);
        j.EndObject();
        if (f.hasFloor) {
            const double floor = Summarise(f.floor).p50;
            const double display = Summarise(f.runs[0].latencyMs).p50;
            j.Key("floor").BeginObject();
            j.Key("sqlite_reads");
            WriteSummary(j, f.floorReads);
            j.Key("transform");
            WriteSummary(j, f.floorTransform);
            j.Key("total");
            WriteSummary(j, f.floor);
            j.Key("same_page").Value(f.floorPageSame);
            j.Key("display_p50_over_floor_p50").Value(display / floor);
            j.EndObject();
        }
        j.EndObject();
    }
    j.EndArray();

    j.Key("memory").BeginObject();
    j.Key("database").Value(r.memoryDatabase);
    if (!r.memoryError.empty()) j.Key("error").Value(r.memoryError);
    j.Key("rss_kib_after_reports").BeginArray();
    for (const auto& [reports, kb] : r.memory) {
        j.BeginObject();
        j.Key("reports").Value(reports);
        j.Key("rss_kib").Value(kb);
        j.EndObject();
    }
    j.EndArray();
    j.EndObject();

    j.Key("import").BeginObject();
    j.Key("samples").BeginArray();
    for (const std::string& name : r.importSamples) j.Value(name);
    j.EndArray();
    j.Key("mean_sample_kib").Value(r.importMeanKb);
    j.Key("runs").BeginArray();
    for (const ImportRun& run : r.imports) {
        j.BeginObject();
        j.Key("backend").Value(run.backend);
        j.Key("jobs").Value(run.jobs);
        j.Key("inventories").Value(run.inventories);
        j.Key("failed").Value(run.failed);
        j.Key("seconds").Value(run.wallSeconds);
        j.Key("inventories_per_second")
            .Value(static_cast<double>(run.inventories) / run.wallSeconds);
        j.Key("peak_rss_kib").Value(run.peakRssKb);
        j.EndObject();
    }
    j.EndArray();
    j.EndObject();
    j.EndObject();
    return j.Text() + "\n";
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
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = o.profilePc;
    request.User = "bench";
    request.CompanyName = "Example Ltd";
    std::vector<double> times;
    for (size_t i = 0; i <= o.reports; ++i) {
        CString html;
        const Clock::time_point start = Clock::now();
        component.Exports().Display(&request, &html);
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

    Results r;
    r.machine = DescribeMachine();
    r.date = NowIso8601();
    r.commit = o.commit;
    r.loadStart = LoadAverage();

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

    for (const auto& [pcs, file] : o.sqlite)
        r.fleets.push_back(
            MeasureFleet(exports, "sqlite", pcs, "Driver=SQLite3;Database=" + file, file, o));
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

    if (!o.importSamples.empty() && o.importCount > 0) {
        hwimport::KeepFreedMemoryForImports();
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
            for (const int jobs : {1, 2}) {
                printf("import: %zu inventories into %s, %d job%s...\n", o.importCount,
                       backend.c_str(), jobs, jobs == 1 ? "" : "s");
                fflush(stdout);
                r.imports.push_back(RunImport(samples, backend, connect, jobs, o.importCount,
                                              empty + " >/dev/null"));
            }
        }
    }

    r.loadEnd = LoadAverage();
    PrintResults(r);
    if (!o.json.empty()) {
        std::ofstream out(o.json);
        out << ToJson(r, o);
        if (!out) throw std::runtime_error("cannot write " + o.json);
        printf("\nresults: %s\n", o.json.c_str());
    }
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
