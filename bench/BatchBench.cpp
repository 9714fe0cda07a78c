#include "bench/BatchBench.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>

#include "bench/BenchSupport.h"
#include "host/Installation.h"

namespace bench {

namespace {

std::string Quoted(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

}  // namespace

BatchRunResult RunBatch(const std::string& fleetFile, const std::string& pcList, size_t pcs,
                        int jobs, const std::string& scratch) {
    BatchRunResult result;
    result.jobs = jobs;
    result.pcs = pcs;
    const std::string out = scratch + "/batch-out";
    std::filesystem::remove_all(out);
    const std::string command = Quoted(InstallationFolder() + "bin/hwconsole") + " batch --db " +
                                Quoted(fleetFile) + " --pcs " + pcList + " --jobs " +
                                std::to_string(jobs) + " --out-dir " + Quoted(out) + " 2>&1";
    FILE* batch = popen(command.c_str(), "r");
    if (!batch) throw std::runtime_error("cannot run hwconsole batch");
    std::string output;
    char buffer[4096];
    for (size_t n; (n = fread(buffer, 1, sizeof buffer, batch)) > 0;) output.append(buffer, n);
    const int status = pclose(batch);
    result.loadAverage = LoadAverage();
    std::filesystem::remove_all(out);
    // "batch: 20000 done, 0 failed, 25.31 s, 790.2 reports/s, in DIR", not
    // the line after it that names the index page
    size_t summary = output.rfind(" done, ");
    if (summary != std::string::npos) summary = output.rfind("batch: ", summary);
    if (summary == std::string::npos ||
        sscanf(output.c_str() + summary, "batch: %zu done, %zu failed, %lf s", &result.done,
               &result.failed, &result.seconds) != 3)
        throw std::runtime_error("hwconsole batch (status " + std::to_string(status) +
                                 ") printed no summary:\n" + output);
    return result;
}

}  // namespace bench
