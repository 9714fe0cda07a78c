#include "bench/ImportBench.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "HardwareList.h"
#include "bench/BenchSupport.h"
#include "history/Snapshots.h"
#include "import/ImportRun.h"
#include "import/JsonInventoryReader.h"
#include "import/XmlInventoryReader.h"

namespace bench {

namespace {

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    if (from.empty()) return;
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
}

// Sample `s` as inventory number `n`: a machine of its own.
std::string Variant(const ImportSamples& samples, size_t s, size_t n) {
    std::string text = samples.texts[s];
    char number[16];
    snprintf(number, sizeof number, "%08zX", n);
    ReplaceAll(text, samples.deviceIds[s], samples.deviceIds[s] + "-" + number);
    const std::string& uuid = samples.uuids[s];
    if (uuid.size() >= 8) ReplaceAll(text, uuid, number + uuid.substr(8));
    ReplaceAll(text, samples.serials[s], std::string("B") + number);
    return text;
}

double ProcessCpuSeconds() {
    struct rusage usage = {};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double ThreadCpuSeconds() {
    struct timespec now = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

}  // namespace

ImportSamples LoadImportSamples(const std::vector<std::string>& files) {
    if (files.empty()) throw std::runtime_error("no inventories to import");
    ImportSamples samples;
    double bytes = 0;
    for (const std::string& file : files) {
        FILE* in = fopen(file.c_str(), "rb");
        if (!in) throw std::runtime_error("cannot read " + file);
        std::string raw;
        char buffer[1 << 16];
        for (size_t n; (n = fread(buffer, 1, sizeof buffer, in)) > 0;) raw.append(buffer, n);
        fclose(in);
        const hwimport::DecodedInput input = hwimport::DecodeInput(raw);
        const hwimport::AgentInventory agent = input.format == hwimport::InventoryFormat::Xml
                                                   ? hwimport::ReadXmlInventory(input.text)
                                                   : hwimport::ReadJsonInventory(input.text);
        samples.names.push_back(file.substr(file.rfind('/') + 1));
        samples.texts.emplace_back(input.text);
        samples.deviceIds.push_back(agent.deviceId);
        samples.uuids.push_back(agent.Single("HARDWARE").Get("UUID"));
        samples.serials.push_back(agent.Single("BIOS").Get("SSN"));
        bytes += static_cast<double>(input.text.size());
    }
    samples.meanKb = bytes / 1024 / static_cast<double>(files.size());
    return samples;
}

ImportRun RunImport(const ImportSamples& samples, const std::string& backend,
                    const std::string& connect, int jobs, bool history, bool again, size_t count,
                    const std::string& emptyDatabase) {
    if (system(emptyDatabase.c_str()) != 0)
        throw std::runtime_error("cannot empty the " + backend + " database for the import");
    std::vector<hwimport::InventorySource> sources;
    for (size_t n = 0; n < count; ++n) {
        const size_t s = n % samples.texts.size();
        sources.push_back({samples.names[s], [&samples, s, n] { return Variant(samples, s, n); }});
    }
    ImportRun run;
    run.backend = backend;
    run.jobs = jobs;
    run.history = history;
    run.again = again;
    run.inventories = count;
    CDataConnection connection;
    connection.Open(connect.c_str());
    hwimport::RunOptions options;
    options.jobs = jobs;
    std::unique_ptr<hwimport::BatchFollower> snapshots;
    if (history) snapshots = hwhistory::SnapshotPipeline(connection, connect, {});
    options.follower = snapshots.get();
    // Again: every PC is in the database already, every inventory unchanged.
    const hwimport::ImportStatus expected =
        again ? hwimport::ImportStatus::Unchanged : hwimport::ImportStatus::New;
    if (again) hwimport::ImportAll(connection.m_database, sources, options, {});
    ResetPeakRss();
    const double processCpu = ProcessCpuSeconds(), writerCpu = ThreadCpuSeconds();
    const Clock::time_point start = Clock::now();
    const hwimport::RunSummary summary = hwimport::ImportAll(
        connection.m_database, sources, options,
        [&run, expected](const hwimport::InventorySource&, const hwimport::ImportResult& result) {
            if (result.status != expected && run.failed++ == 0)
                fprintf(stderr, "import: %s\n", result.message.c_str());
        });
    run.wallSeconds = MillisecondsSince(start) / 1000;
    run.cpuSeconds = ProcessCpuSeconds() - processCpu;
    run.writerCpuSeconds = ThreadCpuSeconds() - writerCpu;
    run.peakRssKb = PeakRssKb();
    (void)summary;
    return run;
}

}  // namespace bench
