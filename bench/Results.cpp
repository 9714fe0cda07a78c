#include "bench/Results.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

namespace bench {

namespace {

double Mib(long kb) {
    return static_cast<double>(kb) / 1024.0;
}

// The one-minute figure of a "1.23 0.98 0.71" load average.
std::string OneMinute(const std::string& load) {
    return load.substr(0, load.find(' '));
}

double CpuMsPerReport(const ReportRun& run) {
    return run.reports ? 1000 * run.cpuSeconds / static_cast<double>(run.reports) : 0;
}

double PerSecond(size_t count, double seconds) {
    return seconds > 0 ? static_cast<double>(count) / seconds : 0.0;
}

// "1k" for 1000, "100k" for 100000, "1500" for 1500.
std::string ShortCount(int32_t n) {
    return n % 1000 == 0 ? std::to_string(n / 1000) + "k" : std::to_string(n);
}

double FloorRatio(const FleetResult& f) {
    return Summarise(f.floorDisplay).p50 / Summarise(f.floor).p50;
}

struct Extremes {
    std::string backend;
    const FleetResult* small;
    const FleetResult* large;
};

// The smallest and largest fleet of each backend that has more than one.
std::vector<Extremes> ScaleFleets(const Results& r) {
    std::map<std::string, std::pair<const FleetResult*, const FleetResult*>> byBackend;
    for (const FleetResult& f : r.fleets) {
        auto& e = byBackend[f.backend];
        if (!e.first || f.pcs < e.first->pcs) e.first = &f;
        if (!e.second || f.pcs > e.second->pcs) e.second = &f;
    }
    std::vector<Extremes> scale;
    for (const auto& [backend, e] : byBackend)
        if (e.first != e.second) scale.push_back({backend, e.first, e.second});
    return scale;
}

double ScaleRatio(const Extremes& e) {
    return Summarise(e.large->runs[0].latencyMs).p50 / Summarise(e.small->runs[0].latencyMs).p50;
}

void PrintMicro(const Results& r) {
    if (r.micro.empty()) return;
    printf("\nMicro benchmarks\n");
    for (const MicroResult& m : r.micro) {
        if (m.bytesPerSecond > 0)
            printf("  %-36s %9.1f MB/s\n", m.name.c_str(), m.bytesPerSecond / 1e6);
        else if (m.name.rfind("CDynamicQuery", 0) == 0)
            printf("  %-36s %9.2f ms   (%.2f M rows/s)\n", m.name.c_str(), m.nsPerIteration / 1e6,
                   m.itemsPerSecond / 1e6);
        else
            printf("  %-36s %9.0f ns per row\n", m.name.c_str(), m.nsPerIteration);
    }
}

void PrintReports(const Results& r) {
    if (r.fleets.empty()) return;
    printf("\nEnd to end: Display through the export, random PCs, one read transaction each\n");
    printf("  %-8s %7s %7s %7s %8s %8s %8s %9s %9s %6s\n", "backend", "PCs", "threads", "reports",
           "p50 ms", "p95 ms", "p99 ms", "reports/s", "peak MiB", "load");
    for (const FleetResult& f : r.fleets) {
        for (const ReportRun& run : f.runs) {
            const Summary s = Summarise(run.latencyMs);
            printf("  %-8s %7d %7d %7zu %8.2f %8.2f %8.2f %9.1f %9.1f %6s\n", f.backend.c_str(),
                   f.pcs, run.threads, run.reports, s.p50, s.p95, s.p99,
                   PerSecond(run.reports, run.wallSeconds), Mib(run.peakRssKb),
                   OneMinute(run.loadAverage).c_str());
        }
    }
    for (const FleetResult& f : r.fleets) {
        if (f.runs.size() < 2 || f.runs[0].threads != 1) continue;
        printf("  %s %d PCs, reports/s against 1 thread:", f.backend.c_str(), f.pcs);
        const double one = PerSecond(f.runs[0].reports, f.runs[0].wallSeconds);
        for (size_t i = 1; i < f.runs.size(); ++i)
            printf("  %d threads %.2fx", f.runs[i].threads,
                   PerSecond(f.runs[i].reports, f.runs[i].wallSeconds) / one);
        printf("\n");
    }
    for (const FleetResult& f : r.fleets) {
        if (f.scaling.empty()) continue;
        std::vector<double> ratios, cpuOne, cpuTwo, loads;
        for (const ScalingRound& round : f.scaling) {
            ratios.push_back(round.Ratio());
            cpuOne.push_back(CpuMsPerReport(round.one));
            cpuTwo.push_back(CpuMsPerReport(round.two));
            loads.push_back(atof(round.two.loadAverage.c_str()));
        }
        const Summary ratio = Summarise(ratios), load = Summarise(loads);
        printf(
            "  %s %d PCs, 2 threads over 1 in %zu rounds made in turns: median %.2fx "
            "(%.2f-%.2f), CPU ms per report %.3f and %.3f, load %.2f-%.2f\n",
            f.backend.c_str(), f.pcs, ratio.count, ratio.p50, ratio.min, ratio.max,
            Summarise(cpuOne).p50, Summarise(cpuTwo).p50, load.min, load.max);
    }
    printf(
        "  where the report threads' time went (all threads): CPU ms per report; %% of\n"
        "  their time on a core, waiting for a core (other work), blocked (locks, I/O)\n");
    for (const FleetResult& f : r.fleets) {
        for (const ReportRun& run : f.runs) {
            if (run.threadSeconds <= 0 || run.reports == 0) continue;
            const double share = 100 / run.threadSeconds;
            printf(
                "  %-8s %7d PCs %d thread%s: %.3f ms CPU per report; on a core %.0f%%, "
                "waiting %.0f%%, blocked %.1f%%\n",
                f.backend.c_str(), f.pcs, run.threads, run.threads == 1 ? " " : "s",
                CpuMsPerReport(run), run.cpuSeconds * share, run.waitSeconds * share,
                run.BlockedSeconds() * share);
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
        "   finding the compiled stylesheet, as every Display does once it is compiled;\n"
        "   transform = parse the report, transform, serialise; Display = its end-to-end p50,\n"
        "   cold pages included)\n");

    if (std::none_of(r.fleets.begin(), r.fleets.end(),
                     [](const FleetResult& f) { return f.hasFloor; }))
        return;
    printf("\nFloor: SQLite C API with statements prepared once + stylesheet compiled once\n");
    printf("  %7s %9s %11s %9s %11s %7s %s\n", "PCs", "reads ms", "transform", "floor ms",
           "Display p50", "ratio", "same page");
    for (const FleetResult& f : r.fleets) {
        if (!f.hasFloor) continue;
        printf("  %7d %9.3f %11.2f %9.2f %11.2f %7.2f %s\n", f.pcs, Summarise(f.floorReads).p50,
               Summarise(f.floorTransform).p50, Summarise(f.floor).p50,
               Summarise(f.floorDisplay).p50, FloorRatio(f), f.floorPageSame ? "yes" : "NO");
    }
    printf(
        "  (Display p50 = Display of the same PCs, each in turns with the floor's reads; the\n"
        "   end-to-end table's p50 is of other moments)\n");
}

// The scale rounds' ratios and loads, when the backend had them.
std::pair<Summary, Summary> ScaleRoundsSummary(const Results& r) {
    std::vector<double> ratios, loads;
    for (const FleetSizeRound& round : r.sqliteScaleRounds) {
        ratios.push_back(round.Ratio());
        loads.push_back(atof(round.large.loadAverage.c_str()));
    }
    return {Summarise(ratios), Summarise(loads)};
}

void PrintScaleAndMemory(const Results& r) {
    for (const Extremes& e : ScaleFleets(r)) {
        printf("\nScale (%s): p50 at %d PCs / p50 at %d PCs = %.3f in the runs above",
               e.backend.c_str(), e.large->pcs, e.small->pcs, ScaleRatio(e));
        if (e.backend == "sqlite" && !r.sqliteScaleRounds.empty()) {
            const auto [ratio, load] = ScaleRoundsSummary(r);
            printf(
                ",\n  median %.3f (%.3f-%.3f) in %zu rounds of one thread made in turns, load "
                "%.2f-%.2f",
                ratio.p50, ratio.min, ratio.max, ratio.count, load.min, load.max);
        }
        printf(" (target <= 1.25)\n");
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
}

void PrintBatch(const Results& r) {
    if (r.batch.empty()) return;
    printf("\nBatch: hwconsole batch --pcs 1-%zu --format html on %s\n", r.batch[0].pcs,
           r.batchDatabase.c_str());
    printf("  %5s %7s %7s %9s %9s %6s\n", "jobs", "pages", "failed", "seconds", "reports/s",
           "load");
    for (const BatchRunResult& run : r.batch)
        printf("  %5d %7zu %7zu %9.1f %9.1f %6s\n", run.jobs, run.done, run.failed, run.seconds,
               PerSecond(run.done, run.seconds), OneMinute(run.loadAverage).c_str());
}

void PrintImport(const Results& r) {
    if (r.imports.empty()) return;
    printf("\nImport: inventories made from %zu real samples (mean %.0f KiB), each a new PC\n",
           r.importSamples.size(), r.importMeanKb);
    printf("  %-8s %5s %7s %7s %11s %9s %13s %9s %6s %10s %10s\n", "backend", "jobs", "history",
           "again", "inventories", "seconds", "inventories/s", "peak MiB", "load", "CPU ms/inv",
           "writer ms");
    for (const ImportRun& run : r.imports)
        printf("  %-8s %5d %7s %7s %11zu %9.1f %13.1f %9.1f %6s %10.3f %10.3f%s\n",
               run.backend.c_str(), run.jobs, run.history ? "on" : "off", run.again ? "yes" : "no",
               run.inventories, run.wallSeconds, PerSecond(run.inventories, run.wallSeconds),
               Mib(run.peakRssKb), OneMinute(run.loadAverage).c_str(),
               1000 * run.cpuSeconds / static_cast<double>(run.inventories),
               1000 * run.writerCpuSeconds / static_cast<double>(run.inventories),
               run.failed ? "  (some failed)" : "");
    // Each history run follows its run without history: their ratio.
    for (size_t i = 1; i < r.imports.size(); ++i) {
        const ImportRun& off = r.imports[i - 1];
        const ImportRun& on = r.imports[i];
        if (!on.history || off.history || off.jobs != on.jobs || off.backend != on.backend ||
            off.again != on.again)
            continue;
        // The CPU ratios: what the wall-clock ratio would be if the work
        // alone decided it (the process's, and the writer's).
        printf(
            "  history on / off, %s, %d job%s%s: %.2f (by CPU: process %.2f, writer %.2f)\n",
            on.backend.c_str(), on.jobs, on.jobs == 1 ? "" : "s",
            on.again ? ", again (unchanged)" : "",
            PerSecond(on.inventories, on.wallSeconds) / PerSecond(off.inventories, off.wallSeconds),
            PerSecond(on.inventories, on.cpuSeconds) / PerSecond(off.inventories, off.cpuSeconds),
            PerSecond(on.inventories, on.writerCpuSeconds) /
                PerSecond(off.inventories, off.writerCpuSeconds));
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

void WriteReports(JsonWriter& j, const Results& r) {
    j.Key("reports").BeginArray();
    for (const FleetResult& f : r.fleets) {
        j.BeginObject();
        j.Key("backend").Value(f.backend);
        j.Key("pcs").Value(f.pcs);
        j.Key("end_to_end").BeginArray();
        for (const ReportRun& run : f.runs) {
            j.BeginObject();
            j.Key("threads").Value(run.threads);
            j.Key("reports").Value(run.reports);
            j.Key("reports_per_second").Value(PerSecond(run.reports, run.wallSeconds));
            j.Key("load_average").Value(run.loadAverage);
            j.Key("peak_rss_kib").Value(run.peakRssKb);
            j.Key("thread_seconds").Value(run.threadSeconds);
            j.Key("cpu_seconds").Value(run.cpuSeconds);
            j.Key("waiting_for_core_seconds").Value(run.waitSeconds);
            j.Key("blocked_seconds").Value(run.BlockedSeconds());
            j.Key("latency");
            WriteSummary(j, run.latencyMs);
            j.EndObject();
        }
        j.EndArray();
        if (!f.scaling.empty()) {
            std::vector<double> ratios;
            j.Key("two_threads_over_one").BeginObject();
            j.Key("rounds").BeginArray();
            for (const ScalingRound& round : f.scaling) {
                ratios.push_back(round.Ratio());
                j.BeginObject();
                j.Key("one_thread_reports_per_second")
                    .Value(PerSecond(round.one.reports, round.one.wallSeconds));
                j.Key("two_threads_reports_per_second")
                    .Value(PerSecond(round.two.reports, round.two.wallSeconds));
                j.Key("ratio").Value(round.Ratio());
                j.Key("one_thread_cpu_ms_per_report").Value(CpuMsPerReport(round.one));
                j.Key("two_threads_cpu_ms_per_report").Value(CpuMsPerReport(round.two));
                j.Key("load_average").Value(round.two.loadAverage);
                j.EndObject();
            }
            j.EndArray();
            const Summary ratio = Summarise(ratios);
            j.Key("median_ratio").Value(ratio.p50);
            j.Key("min_ratio").Value(ratio.min);
            j.Key("max_ratio").Value(ratio.max);
            j.EndObject();
        }
        j.Key("split").BeginObject();
        j.Key("sample_pcs").Value(f.split.sections.size());
        j.Key("sections");
        WriteSummary(j, f.split.sections);
        j.Key("document_build");
        WriteSummary(j, f.split.build);
        j.Key("stylesheet_load");
        WriteSummary(j, f.split.load);
        j.Key("parse_transform");
        WriteSummary(j, f.split.transform);
        j.EndObject();
        if (f.hasFloor) {
            j.Key("floor").BeginObject();
            j.Key("sqlite_reads");
            WriteSummary(j, f.floorReads);
            j.Key("transform");
            WriteSummary(j, f.floorTransform);
            j.Key("total");
            WriteSummary(j, f.floor);
            j.Key("display");
            WriteSummary(j, f.floorDisplay);
            j.Key("same_page").Value(f.floorPageSame);
            j.Key("display_p50_over_floor_p50").Value(FloorRatio(f));
            j.EndObject();
        }
        j.EndObject();
    }
    j.EndArray();

    j.Key("scale").BeginArray();
    for (const Extremes& e : ScaleFleets(r)) {
        j.BeginObject();
        j.Key("backend").Value(e.backend);
        j.Key("small_pcs").Value(e.small->pcs);
        j.Key("large_pcs").Value(e.large->pcs);
        j.Key("p50_ratio").Value(ScaleRatio(e));
        if (e.backend == "sqlite" && !r.sqliteScaleRounds.empty()) {
            j.Key("rounds").BeginArray();
            for (const FleetSizeRound& round : r.sqliteScaleRounds) {
                j.BeginObject();
                j.Key("small_p50_ms").Value(Summarise(round.small.latencyMs).p50);
                j.Key("large_p50_ms").Value(Summarise(round.large.latencyMs).p50);
                j.Key("ratio").Value(round.Ratio());
                j.Key("load_average").Value(round.large.loadAverage);
                j.EndObject();
            }
            j.EndArray();
            const Summary ratio = ScaleRoundsSummary(r).first;
            j.Key("median_ratio").Value(ratio.p50);
            j.Key("min_ratio").Value(ratio.min);
            j.Key("max_ratio").Value(ratio.max);
        }
        j.EndObject();
    }
    j.EndArray();
}

void WriteMemoryBatchImport(JsonWriter& j, const Results& r) {
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

    j.Key("batch").BeginObject();
    j.Key("database").Value(r.batchDatabase);
    j.Key("pcs").Value(r.batch.empty() ? size_t{0} : r.batch[0].pcs);
    j.Key("runs").BeginArray();
    for (const BatchRunResult& run : r.batch) {
        j.BeginObject();
        j.Key("jobs").Value(run.jobs);
        j.Key("pages").Value(run.done);
        j.Key("failed").Value(run.failed);
        j.Key("seconds").Value(run.seconds);
        j.Key("reports_per_second").Value(PerSecond(run.done, run.seconds));
        j.Key("load_average").Value(run.loadAverage);
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
        j.Key("history").Value(run.history);
        j.Key("again").Value(run.again);
        j.Key("inventories").Value(run.inventories);
        j.Key("failed").Value(run.failed);
        j.Key("seconds").Value(run.wallSeconds);
        j.Key("inventories_per_second").Value(PerSecond(run.inventories, run.wallSeconds));
        j.Key("peak_rss_kib").Value(run.peakRssKb);
        j.Key("load_average").Value(run.loadAverage);
        j.Key("cpu_seconds").Value(run.cpuSeconds);
        j.Key("writer_cpu_seconds").Value(run.writerCpuSeconds);
        j.EndObject();
    }
    j.EndArray();
    j.EndObject();
}

}  // namespace

std::string RatioToFloorLine(const Results& r) {
    std::string line;
    for (const FleetResult& f : r.fleets) {
        if (!f.hasFloor) continue;
        char ratio[32];
        snprintf(ratio, sizeof ratio, "%.2f", FloorRatio(f));
        line += (line.empty() ? "ratio to floor: " : ", ") + ShortCount(f.pcs) + " " + ratio;
    }
    return line;
}

void PrintResults(const Results& r) {
    printf("\n== HardwareList benchmark, %s, commit %s\n", r.date.c_str(), r.commit.c_str());
    printf("machine: %d cores, %s, %.1f GiB; load average %s at start, %s at end\n",
           r.machine.cores, r.machine.cpu.c_str(), Mib(r.machine.memoryKb) / 1024.0,
           r.loadStart.c_str(), r.loadEnd.c_str());
    if (r.machine.twoCpuBound > 0)
        printf(
            "machine now: two threads get %.2fx one's work done (arithmetic), %.2fx (memory "
            "reads): the ceiling for two report threads\n",
            r.machine.twoCpuBound, r.machine.twoMemoryBound);
    PrintMicro(r);
    PrintReports(r);
    PrintScaleAndMemory(r);
    PrintBatch(r);
    PrintImport(r);
    for (const auto& [name, text] : r.outside)
        printf("\nSection %s: measured by its own program, in the results file\n", name.c_str());
}

std::string ToJson(const Results& r) {
    JsonWriter j;
    j.BeginObject();
    j.Key("layout").Value(2);
    j.Key("date").Value(r.date);
    j.Key("commit").Value(r.commit);
    j.Key("machine").BeginObject();
    j.Key("nproc").Value(r.machine.cores);
    j.Key("cpu").Value(r.machine.cpu);
    j.Key("memory_kib").Value(r.machine.memoryKb);
    j.Key("kernel").Value(r.machine.kernel);
    j.Key("load_average_start").Value(r.loadStart);
    j.Key("load_average_end").Value(r.loadEnd);
    j.Key("two_threads_cpu_bound").Value(r.machine.twoCpuBound);
    j.Key("two_threads_memory_bound").Value(r.machine.twoMemoryBound);
    j.EndObject();
    j.Key("settings").BeginObject();
    for (const auto& [name, value] : r.settings) j.Key(name).Value(value);
    j.EndObject();

    j.Key("sections").BeginObject();
    j.Key("micro").BeginArray();
    for (const MicroResult& m : r.micro) {
        j.BeginObject();
        j.Key("name").Value(m.name);
        j.Key("ns_per_iteration").Value(m.nsPerIteration);
        if (m.bytesPerSecond > 0) j.Key("mb_per_second").Value(m.bytesPerSecond / 1e6);
        if (m.itemsPerSecond > 0) j.Key("items_per_second").Value(m.itemsPerSecond);
        j.EndObject();
    }
    j.EndArray();
    WriteReports(j, r);
    WriteMemoryBatchImport(j, r);
    for (const auto& [name, text] : r.outside) j.Key(name).Raw(text);
    j.EndObject();

    j.Key("summary").BeginObject();
    j.Key("ratio_to_floor").BeginObject();
    for (const FleetResult& f : r.fleets)
        if (f.hasFloor) j.Key(std::to_string(f.pcs)).Value(FloorRatio(f));
    j.EndObject();
    j.Key("line").Value(RatioToFloorLine(r));
    j.EndObject();
    j.EndObject();
    return j.Text() + "\n";
}

}  // namespace bench
