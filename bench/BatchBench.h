// Batch throughput: `hwconsole batch` itself, as a user runs it, over a slice
// of a fleet with 1, 2 and 4 jobs.
#pragma once

#include <string>

namespace bench {

struct BatchRunResult {
    int jobs = 0;
    size_t pcs = 0;   // in the slice
    size_t done = 0;  // pages written
    size_t failed = 0;
    double seconds = 0;  // as the batch counts them: from its first PC to its last page on disk
    std::string loadAverage;  // at the run's end
};

// Runs hwconsole batch --db `fleetFile` --pcs `pcList` (`pcs` PCs) --jobs
// `jobs` into a fresh folder below `scratch` (removed afterwards) and reads
// its summary. Throws std::runtime_error when the batch cannot run or prints
// no summary.
BatchRunResult RunBatch(const std::string& fleetFile, const std::string& pcList, size_t pcs,
                        int jobs, const std::string& scratch);

}  // namespace bench
