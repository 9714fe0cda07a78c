// hwserverbench: `hwconsole serve` under load, bench/run's "server" section.
// Starts the server on a fleet, then, a few times over, keep-alive clients
// (cpp-httplib's) ask for random PCs' pages, then for searches of values the
// fleet holds, and `hwconsole batch --jobs 2` makes the pages of the same
// PCs right after, so that the server's pages per second compare with the
// batch's reports per second for the same work under the same load. The
// machine's load moves between runs: each repetition is short, and the
// median of them is the figure, beside their spread. Prints its table and writes its JSON
// object to the file named last.
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/BatchBench.h"
#include "bench/BenchSupport.h"
#include "host/Installation.h"
#include "server/Pages.h"

namespace {

using bench::Clock;

struct Settings {
    std::string fleet;
    int serverThreads = 2;
    int clients = 8;
    int repetitions = 5;
    size_t pages = 2000;     // /pc/ID requests over all clients, each repetition
    size_t searches = 1000;  // /?q= requests over all clients, each repetition
    size_t batchPcs = 1500;
    unsigned seed = 1;
    std::string json;
};

// One `hwconsole serve --db FLEET --listen 127.0.0.1:0`, its access log
// discarded; SIGTERM on destruction.
class ServerProcess {
public:
    ServerProcess(const std::string& fleet, int threads) {
        int out[2];
        if (pipe(out) != 0) throw std::runtime_error("pipe failed");
        m_pid = fork();
        if (m_pid == 0) {
            dup2(out[1], 1);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, 2);
            const std::string console = InstallationFolder() + "bin/hwconsole";
            const std::string threadCount = std::to_string(threads);
            execl(console.c_str(), console.c_str(), "serve", "--db", fleet.c_str(), "--listen",
                  "127.0.0.1:0", "--threads", threadCount.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(out[1]);
        // The first line says where it listens.
        FILE* said = fdopen(out[0], "r");
        char buffer[256] = "";
        const std::string line = fgets(buffer, sizeof buffer, said) ? buffer : "";
        fclose(said);
        const std::string prefix = "listening on http://127.0.0.1:";
        if (line.compare(0, prefix.size(), prefix) != 0) {
            Stop();
            throw std::runtime_error("hwconsole serve did not start (it said: " + line + ")");
        }
        m_port = std::stoi(line.substr(prefix.size()));
    }
    ~ServerProcess() { Stop(); }
    int Port() const { return m_port; }
    // The exit code; 0 when SIGTERM ended it cleanly.
    int Stop() {
        if (m_pid <= 0) return m_status;
        kill(m_pid, SIGTERM);
        int status = 0;
        waitpid(m_pid, &status, 0);
        m_pid = -1;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_status;
    }

private:
    pid_t m_pid = -1;
    int m_port = 0;
    int m_status = -1;
};

// The kinds of value searched for, and how to read one of a PC from the fleet.
struct SearchKind {
    const char* name;
    const char* sql;
};
const SearchKind kKinds[] = {
    {"host name", "SELECT Name FROM PCListing WHERE ID = ?"},
    {"serial part", "SELECT substr(SerialNumber, 3, 6) FROM BIOS WHERE ID = ?"},
    {"IP address", "SELECT IPAddress FROM NetworkIPAddress WHERE ID = ? ORDER BY IndexID"},
    {"model", "SELECT Model FROM PCListing WHERE ID = ?"},
};
constexpr size_t kKindCount = std::size(kKinds);

std::string Column(sqlite3* db, const std::string& sql, int id) {
    sqlite3_stmt* statement = nullptr;
    std::string value;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_int(statement, 1, id);
        if (sqlite3_step(statement) == SQLITE_ROW && sqlite3_column_text(statement, 0))
            value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    }
    sqlite3_finalize(statement);
    return value;
}

// The fleet's size, and `count` values its PCs hold as a user would type
// them, each kind in turn (a whole host name is found exactly: the server
// redirects), of random PCs: as paths, with the kind of each.
int32_t ReadFleet(const std::string& file, std::mt19937& random, size_t count,
                  std::vector<std::string>& paths, std::vector<int>& kinds) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        throw std::runtime_error("cannot open " + file);
    }
    const std::string highest = Column(db, "SELECT MAX(ID) FROM PCListing", 0);
    const int32_t pcs = highest.empty() ? 0 : std::stoi(highest);
    if (pcs <= 0) {
        sqlite3_close(db);
        throw std::runtime_error(file + " holds no PC");
    }
    std::uniform_int_distribution<int32_t> pc(1, pcs);
    while (paths.size() < count) {
        const int kind = static_cast<int>(paths.size() % kKindCount);
        const std::string value = Column(db, kKinds[kind].sql, pc(random));
        if (value.empty()) continue;
        paths.push_back("/?q=" + EncodeQueryValue(value));
        kinds.push_back(kind);
    }
    sqlite3_close(db);
    return pcs;
}

struct LoadRun {
    size_t requests = 0, failed = 0;
    double seconds = 0;
    std::vector<double> latencyMs;
    std::vector<std::vector<double>> byKind;  // searches: latencies per kind
    std::string loadAverage;
};

// `clients` keep-alive clients at once, each sending `paths` in turn from
// its own share (client c takes every clients-th path). After five warm-up
// requests each, timed from when all start to when the last one ends.
LoadRun Load(int port, int clients, const std::vector<std::string>& paths,
             const std::vector<int>& kinds, size_t kindCount) {
    std::atomic<int> ready{0};
    std::atomic<bool> go{false};
    std::vector<std::vector<double>> latency(clients);
    std::vector<std::vector<int>> kindOf(clients);
    std::atomic<size_t> failed{0};
    std::vector<std::thread> threads;
    for (int c = 0; c < clients; ++c)
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_read_timeout(120, 0);
            // The body is counted, not kept: the clients share the cores
            // with the server, so they do as little as they can.
            size_t bytes = 0;
            auto ask = [&](const std::string& path) {
                bytes = 0;
                const auto result = client.Get(path, [&bytes](const char*, size_t length) {
                    bytes += length;
                    return true;
                });
                // A search of one exact name answers with a redirect to the PC.
                return result && (result->status == 303 || (result->status == 200 && bytes > 0));
            };
            for (size_t i = c; i < paths.size() && i < static_cast<size_t>(5 * clients);
                 i += clients)
                ask(paths[i]);
            ++ready;
            while (!go) std::this_thread::yield();
            for (size_t i = c; i < paths.size(); i += clients) {
                const Clock::time_point start = Clock::now();
                if (!ask(paths[i])) ++failed;
                latency[c].push_back(bench::MillisecondsSince(start));
                kindOf[c].push_back(kinds.empty() ? 0 : kinds[i]);
            }
        });
    while (ready < clients) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const Clock::time_point start = Clock::now();
    go = true;
    for (std::thread& t : threads) t.join();
    LoadRun run;
    run.seconds = bench::MillisecondsSince(start) / 1000;
    run.loadAverage = bench::LoadAverage();
    run.failed = failed;
    run.byKind.resize(kindCount);
    for (int c = 0; c < clients; ++c)
        for (size_t i = 0; i < latency[c].size(); ++i) {
            run.latencyMs.push_back(latency[c][i]);
            run.byKind[kindOf[c][i]].push_back(latency[c][i]);
        }
    run.requests = run.latencyMs.size();
    return run;
}

void PrintRow(const char* what, const LoadRun& run, const std::vector<double>& samples) {
    const bench::Summary s = bench::Summarise(samples);
    printf("  %-22s %9zu %9.1f %8.2f %8.2f %8.2f%s\n", what, s.count, samples.size() / run.seconds,
           s.p50, s.p99, s.max, run.failed ? "  (some failed)" : "");
}

// The run's row, and one per kind of search.
void PrintRun(const std::string& what, const LoadRun& run) {
    PrintRow(what.c_str(), run, run.latencyMs);
    if (run.byKind.size() > 1)
        for (size_t k = 0; k < run.byKind.size(); ++k)
            PrintRow((std::string("  ") + kKinds[k].name).c_str(), run, run.byKind[k]);
}

void WriteLatency(bench::JsonWriter& j, const std::vector<double>& samples) {
    const bench::Summary s = bench::Summarise(samples);
    j.BeginObject();
    j.Key("count").Value(s.count).Key("p50_ms").Value(s.p50).Key("p95_ms").Value(s.p95);
    j.Key("p99_ms").Value(s.p99).Key("mean_ms").Value(s.mean).Key("min_ms").Value(s.min);
    j.Key("max_ms").Value(s.max).EndObject();
}

void WriteRun(bench::JsonWriter& j, const char* key, const LoadRun& run) {
    j.Key(key).BeginObject();
    j.Key("requests").Value(run.requests).Key("failed").Value(run.failed);
    j.Key("seconds").Value(run.seconds);
    j.Key("requests_per_second").Value(run.requests / run.seconds);
    j.Key("load_average").Value(run.loadAverage);
    j.Key("latency");
    WriteLatency(j, run.latencyMs);
    if (run.byKind.size() > 1) {
        j.Key("latency_by_kind").BeginObject();
        for (size_t k = 0; k < run.byKind.size(); ++k) {
            j.Key(kKinds[k].name);
            WriteLatency(j, run.byKind[k]);
        }
        j.EndObject();
    }
    j.EndObject();
}

// One repetition: pages, searches from all clients and from one, then the
// batch beside them.
struct Repetition {
    LoadRun pages, found, alone;
    bench::BatchRunResult batch;
    double batchRate = 0, ratio = 0;
};

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// The median of `what` over the repetitions, with their lowest and highest.
struct Spread {
    double median, low, high;
};
template <typename F>
Spread SpreadOf(const std::vector<Repetition>& runs, F what) {
    std::vector<double> values;
    for (const Repetition& r : runs) values.push_back(what(r));
    return {Median(values), *std::min_element(values.begin(), values.end()),
            *std::max_element(values.begin(), values.end())};
}

void WriteSpread(bench::JsonWriter& j, const char* key, const Spread& s) {
    j.Key(key).BeginObject();
    j.Key("median").Value(s.median).Key("min").Value(s.low).Key("max").Value(s.high);
    j.EndObject();
}

int Run(const Settings& s) {
    std::mt19937 random(s.seed);
    const int repetitions = std::max(1, s.repetitions);
    std::vector<std::string> pagePaths, searchPaths;
    std::vector<int> searchKinds;
    const int32_t pcs =
        ReadFleet(s.fleet, random, s.searches * repetitions, searchPaths, searchKinds);
    std::uniform_int_distribution<int32_t> pc(1, pcs);
    for (size_t i = 0; i < s.pages * repetitions; ++i)
        pagePaths.push_back("/pc/" + std::to_string(pc(random)));
    // The one client alone asks a quarter as many: it is the search's own time.
    const size_t aloneSearches = std::max<size_t>(1, s.searches / 4);

    printf(
        "Server: hwconsole serve --threads %d on %d PCs, %d keep-alive clients, "
        "%d repetitions\n",
        s.serverThreads, pcs, s.clients, repetitions);
    printf("  load average before: %s\n", bench::LoadAverage().c_str());
    char scratch[] = "/tmp/hwserverbench-XXXXXX";
    if (!mkdtemp(scratch)) throw std::runtime_error("cannot make a scratch folder");
    std::vector<Repetition> runs(repetitions);
    ServerProcess server(s.fleet, s.serverThreads);
    auto slice = [](const std::vector<std::string>& all, size_t n, int r) {
        return std::vector<std::string>(all.begin() + n * r, all.begin() + n * (r + 1));
    };
    auto kindSlice = [](const std::vector<int>& all, size_t n, int r) {
        return std::vector<int>(all.begin() + n * r, all.begin() + n * (r + 1));
    };
    for (int r = 0; r < repetitions; ++r) {
        Repetition& run = runs[r];
        const std::vector<std::string> searches = slice(searchPaths, s.searches, r);
        const std::vector<int> kinds = kindSlice(searchKinds, s.searches, r);
        run.pages = Load(server.Port(), s.clients, slice(pagePaths, s.pages, r), {}, 1);
        run.found = Load(server.Port(), s.clients, searches, kinds, kKindCount);
        run.alone =
            Load(server.Port(), 1,
                 std::vector<std::string>(searches.begin(), searches.begin() + aloneSearches),
                 std::vector<int>(kinds.begin(), kinds.begin() + aloneSearches), kKindCount);
        // The batch makes the pages the clients asked for (the first
        // --batch-pcs distinct ones): a slice of consecutive PCs reads
        // neighbouring rows and would be the lighter work.
        std::vector<std::string> batchPcs;
        for (const std::string& path : slice(pagePaths, s.pages, r)) {
            const std::string id = path.substr(path.rfind('/') + 1);
            if (batchPcs.size() < s.batchPcs &&
                std::find(batchPcs.begin(), batchPcs.end(), id) == batchPcs.end())
                batchPcs.push_back(id);
        }
        std::string list;
        for (const std::string& id : batchPcs) list += (list.empty() ? "" : ",") + id;
        run.batch = bench::RunBatch(s.fleet, list, batchPcs.size(), 2, scratch);
        run.batchRate = run.batch.seconds > 0 ? run.batch.done / run.batch.seconds : 0;
        run.ratio = run.batchRate > 0 ? run.pages.requests / run.pages.seconds / run.batchRate : 0;
    }
    const int serverExit = server.Stop();
    rmdir(scratch);

    printf("  %-22s %9s %9s %8s %8s %8s\n", "requests", "count", "per s", "p50 ms", "p99 ms",
           "max ms");
    const std::string many = ", " + std::to_string(s.clients) + " clients";
    for (int r = 0; r < repetitions; ++r) {
        const Repetition& run = runs[r];
        printf(" repetition %d (load %s)\n", r + 1, run.pages.loadAverage.c_str());
        PrintRun("/pc/ID" + many, run.pages);
        PrintRun("/?q=" + many, run.found);
        PrintRow("/?q=, 1 client", run.alone, run.alone.latencyMs);
        printf("  batch --jobs 2 on %zu of those PCs: %.1f reports/s; pages/s over it: %.0f%%\n",
               run.batch.pcs, run.batchRate, run.ratio * 100);
    }
    const Spread ratio = SpreadOf(runs, [](const Repetition& r) { return r.ratio; });
    const Spread pageRate =
        SpreadOf(runs, [](const Repetition& r) { return r.pages.requests / r.pages.seconds; });
    const Spread batchRate = SpreadOf(runs, [](const Repetition& r) { return r.batchRate; });
    auto p = [](const std::vector<double>& samples, bool p99) {
        const bench::Summary summary = bench::Summarise(samples);
        return p99 ? summary.p99 : summary.p50;
    };
    const Spread pageP50 =
        SpreadOf(runs, [&](const Repetition& r) { return p(r.pages.latencyMs, false); });
    const Spread pageP99 =
        SpreadOf(runs, [&](const Repetition& r) { return p(r.pages.latencyMs, true); });
    const Spread searchP50 =
        SpreadOf(runs, [&](const Repetition& r) { return p(r.found.latencyMs, false); });
    const Spread searchP99 =
        SpreadOf(runs, [&](const Repetition& r) { return p(r.found.latencyMs, true); });
    const Spread aloneP99 =
        SpreadOf(runs, [&](const Repetition& r) { return p(r.alone.latencyMs, true); });
    printf("  median of %d (lowest-highest):\n", repetitions);
    printf("    pages/s %.0f (%.0f-%.0f), batch --jobs 2 reports/s %.0f (%.0f-%.0f)\n",
           pageRate.median, pageRate.low, pageRate.high, batchRate.median, batchRate.low,
           batchRate.high);
    printf("    /pc/ID p50 %.1f ms (%.1f-%.1f), p99 %.1f ms (%.1f-%.1f)\n", pageP50.median,
           pageP50.low, pageP50.high, pageP99.median, pageP99.low, pageP99.high);
    printf(
        "    search p50 %.1f ms (%.1f-%.1f), p99 %.1f ms (%.1f-%.1f); one client alone p99 "
        "%.1f ms\n",
        searchP50.median, searchP50.low, searchP50.high, searchP99.median, searchP99.low,
        searchP99.high, aloneP99.median);
    printf(
        "  server pages/s over batch reports/s: %.0f%% (%.0f-%.0f%%; target 80%%), search "
        "p99 %.1f ms (target under 50); load average after: %s\n",
        ratio.median * 100, ratio.low * 100, ratio.high * 100, searchP99.median,
        bench::LoadAverage().c_str());
    if (serverExit != 0) printf("  the server exited with %d on SIGTERM\n", serverExit);

    bench::JsonWriter j;
    j.BeginObject();
    j.Key("database").Value(s.fleet).Key("pcs").Value(static_cast<int64_t>(pcs));
    j.Key("server_threads").Value(s.serverThreads).Key("clients").Value(s.clients);
    j.Key("seed").Value(static_cast<int64_t>(s.seed));
    j.Key("repetitions").BeginArray();
    size_t failed = 0;
    for (const Repetition& run : runs) {
        j.BeginObject();
        WriteRun(j, "pages", run.pages);
        WriteRun(j, "searches", run.found);
        WriteRun(j, "searches_one_client", run.alone);
        j.Key("batch_jobs_2").BeginObject();
        j.Key("pcs").Value(run.batch.pcs).Key("reports").Value(run.batch.done);
        j.Key("seconds").Value(run.batch.seconds).Key("reports_per_second").Value(run.batchRate);
        j.Key("load_average").Value(run.batch.loadAverage).EndObject();
        j.Key("pages_to_batch_ratio").Value(run.ratio);
        j.EndObject();
        failed += run.pages.failed + run.found.failed + run.alone.failed;
    }
    j.EndArray();
    j.Key("median").BeginObject();
    WriteSpread(j, "pages_per_second", pageRate);
    WriteSpread(j, "batch_reports_per_second", batchRate);
    WriteSpread(j, "pages_to_batch_ratio", ratio);
    WriteSpread(j, "pages_p50_ms", pageP50);
    WriteSpread(j, "pages_p99_ms", pageP99);
    WriteSpread(j, "searches_p50_ms", searchP50);
    WriteSpread(j, "searches_p99_ms", searchP99);
    WriteSpread(j, "searches_one_client_p99_ms", aloneP99);
    j.EndObject();
    j.Key("pages_to_batch_ratio").Value(ratio.median);
    j.Key("server_exit").Value(serverExit);
    j.EndObject();
    std::ofstream(s.json) << j.Text() << '\n';
    return failed || serverExit ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IOLBF, 0);
    Settings s;
    CLI::App app("hwconsole serve under load: pages, searches, and batch --jobs 2 beside them",
                 "hwserverbench");
    app.add_option("--db", s.fleet, "the SQLite fleet")->required();
    app.add_option("--threads", s.serverThreads, "the server's worker threads (default 2)");
    app.add_option("--clients", s.clients, "keep-alive clients at once (default 8)");
    app.add_option("--repetitions", s.repetitions,
                   "runs of pages, searches and batch; the median is the figure (default 5)");
    app.add_option("--pages", s.pages, "/pc/ID requests in each repetition (default 2000)");
    app.add_option("--searches", s.searches, "searches in each repetition (default 1000)");
    app.add_option("--batch-pcs", s.batchPcs, "PCs of the batch in each repetition (default 1500)");
    app.add_option("--seed", s.seed, "random PCs and values (default 1)");
    app.add_option("json", s.json, "the file for the JSON object")->required();
    CLI11_PARSE(app, argc, argv);
    signal(SIGPIPE, SIG_IGN);
    try {
        return Run(s);
    } catch (const std::exception& e) {
        fprintf(stderr, "hwserverbench: %s\n", e.what());
        return 1;
    }
}
