// Import throughput: inventories made from the real samples, each with its
// own device id, UUID and serial number so that every one is a new PC,
// through the same library path as `hwconsole import`.
#pragma once

#include <string>
#include <vector>

namespace bench {

struct ImportRun {
    std::string backend;  // "sqlite" or "postgres"
    int jobs = 0;
    bool history = false;  // each import kept a snapshot of the PC's report
    bool again = false;    // the same inventories a second time: all unchanged
    size_t inventories = 0;
    size_t failed = 0;
    double wallSeconds = 0;
    long peakRssKb = 0;
    std::string loadAverage;  // when the run ended
    // CPU seconds of the whole process and of the writing thread (the one
    // that calls ImportAll): unlike the wall time, they do not depend on
    // what else runs. The writer is the one thread every inventory waits for.
    double cpuSeconds = 0;
    double writerCpuSeconds = 0;
};

// The sample files, each inflated and read once; what the runs rotate through.
struct ImportSamples {
    std::vector<std::string> names;
    std::vector<std::string> texts;
    std::vector<std::string> deviceIds, uuids, serials;  // as each text spells them
    double meanKb = 0;
};
ImportSamples LoadImportSamples(const std::vector<std::string>& files);

// `count` inventories into an empty hardware schema at `connect`, parsed in
// `jobs` threads, with or without history as `hwconsole import` keeps it;
// with `again`, imported once untimed and then timed a second time (every
// inventory unchanged, as most are day by day). `emptyDatabase` empties the
// database before the run.
ImportRun RunImport(const ImportSamples& samples, const std::string& backend,
                    const std::string& connect, int jobs, bool history, bool again, size_t count,
                    const std::string& emptyDatabase);

}  // namespace bench
