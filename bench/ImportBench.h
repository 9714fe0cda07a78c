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
    size_t inventories = 0;
    size_t failed = 0;
    double wallSeconds = 0;
    long peakRssKb = 0;
    std::string loadAverage;  // when the run ended
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
// `jobs` threads. `emptyDatabase` empties the database before the run.
ImportRun RunImport(const ImportSamples& samples, const std::string& backend,
                    const std::string& connect, int jobs, size_t count,
                    const std::string& emptyDatabase);

}  // namespace bench
