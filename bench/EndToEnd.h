// Reports through the component's real exports, as a host asks for them:
// the component loaded with dlopen, each thread with its own connection,
// each report in one read transaction (host/ReportRun.h).
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/ComponentLoader.h"

namespace bench {

struct ReportRun {
    int threads = 0;
    size_t reports = 0;
    double wallSeconds = 0;
    std::vector<double> latencyMs;  // one per report, all threads together
    long peakRssKb = 0;             // this run's high-water mark
    std::string loadAverage;        // when the run ended
    std::string error;              // empty when every report produced HTML
    // Where the report threads' timed loops spent their time, all threads
    // together (the kernel's schedstat): on a core, runnable but waiting
    // for one (other work on the machine), and neither (blocked: a lock,
    // I/O). Unlike reports/s, the CPU per report and the blocked share do
    // not depend on what else runs.
    double threadSeconds = 0;  // the loops' wall time, summed over threads
    double cpuSeconds = 0;
    double waitSeconds = 0;
    double BlockedSeconds() const { return threadSeconds - cpuSeconds - waitSeconds; }
};

// `reports` reports in all on `threads` threads, each for a PC drawn
// uniformly from 1..pcCount (seeded per thread); each thread takes the next
// report while any is left, so all work until the end. A few reports per
// thread warm the connection up first and are not counted: the wall time
// starts when every thread is warm.
ReportRun RunReports(const HwExports& exports, const std::string& connect, int32_t pcCount,
                     int threads, size_t reports, uint64_t seed);

// One thread's run and two threads' run, made one right after the other.
struct ScalingRound {
    ReportRun one, two;
    double Ratio() const;  // two threads' reports per second over one thread's
};

// Two threads against one, measured in turns: `rounds` pairs of runs of
// `reports` reports each, one thread first in every other pair and two
// threads first in the rest, so that a load that comes and goes on the
// machine weighs on both sides alike.
std::vector<ScalingRound> RunScalingRounds(const HwExports& exports, const std::string& connect,
                                           int32_t pcCount, int rounds, size_t reports,
                                           uint64_t seed);

// One thread's run on a small fleet and on a large one, made one right after
// the other.
struct FleetSizeRound {
    ReportRun small, large;
    double Ratio() const;  // the large fleet's p50 over the small fleet's
};

// The large fleet against the small one in turns, as RunScalingRounds does
// for threads; each fleet is (PCs, connection string).
std::vector<FleetSizeRound> RunFleetSizeRounds(const HwExports& exports,
                                               const std::pair<int32_t, std::string>& small,
                                               const std::pair<int32_t, std::string>& large,
                                               int rounds, size_t reports, uint64_t seed);

// Consecutive reports on one connection; the RSS after each checkpoint
// (a count of reports), as (reports, KiB) pairs.
std::vector<std::pair<size_t, long>> RunMemory(const HwExports& exports, const std::string& connect,
                                               int32_t pcCount,
                                               const std::vector<size_t>& checkpoints,
                                               uint64_t seed, std::string& error);

// The first `count` PCs of the sequence RunReports draws on its first thread.
std::vector<int32_t> SamplePcs(int32_t pcCount, size_t count, uint64_t seed);

}  // namespace bench
