#include "bench/EndToEnd.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <fstream>
#include <functional>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

#include "bench/BenchSupport.h"
#include "host/ReportRun.h"

namespace bench {

namespace {

constexpr size_t kWarmUpReports = 5;

class PcSequence {
public:
    PcSequence(int32_t pcCount, uint64_t seed) : m_engine(seed), m_pick(1, pcCount) {}
    int32_t Next() { return m_pick(m_engine); }

private:
    std::mt19937_64 m_engine;
    std::uniform_int_distribution<int32_t> m_pick;
};

// The calling thread's time on a core and waiting for one, in seconds.
struct ThreadTimes {
    double wall = 0, cpu = 0, wait = 0;
    static ThreadTimes Now() {
        ThreadTimes t;
        t.wall = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
        std::ifstream schedstat("/proc/thread-self/schedstat");
        long long runNs = 0, waitNs = 0;
        if (schedstat >> runNs >> waitNs) {
            t.cpu = static_cast<double>(runNs) / 1e9;
            t.wait = static_cast<double>(waitNs) / 1e9;
        }
        return t;
    }
    ThreadTimes Since(const ThreadTimes& start) const {
        return {wall - start.wall, cpu - start.cpu, wait - start.wait};
    }
};

// Where the threads of a run wait until all are warm: the run is timed from
// then on, so that no thread's connection or warm-up counts against the rest.
class StartLine {
public:
    explicit StartLine(int threads) : m_waiting(threads) {}
    void Arrive() {
        std::unique_lock<std::mutex> lock(m_mutex);
        if (--m_waiting == 0) {
            m_start = Clock::now();
            m_open.notify_all();
        }
        m_open.wait(lock, [this] { return m_waiting == 0; });
    }
    Clock::time_point Start() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_start;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_open;
    int m_waiting;
    Clock::time_point m_start;
};

// One host thread: its own connection and request; after the start line,
// reports until the run's count is taken (a shared count, so that every
// thread works until the end).
void ReportThread(const HwExports& exports, const std::string& connect, int32_t pcCount,
                  uint64_t seed, size_t reports, StartLine& startLine, std::atomic<size_t>& taken,
                  std::vector<double>& latencies, ThreadTimes& times, std::string& error) {
    bool arrived = false;
    try {
        CDataConnection connection;
        connection.Open(connect.c_str());
        DisplayRequest request = BenchRequest(connection);
        PcSequence pcs(pcCount, seed);
        for (size_t i = 0; i < kWarmUpReports; ++i) {
            request.PCID = pcs.Next();
            CString html;
            DisplayInOneTransaction(exports, request, html);
        }
        pcs = PcSequence(pcCount, seed);
        arrived = true;
        startLine.Arrive();
        const ThreadTimes started = ThreadTimes::Now();
        while (taken++ < reports) {
            request.PCID = pcs.Next();
            CString html;
            const Clock::time_point start = Clock::now();
            DisplayInOneTransaction(exports, request, html);
            latencies.push_back(MillisecondsSince(start));
            if (html.IsEmpty()) {
                error = "PC " + std::to_string(request.PCID) + ": Display produced no HTML";
                taken = reports;
                return;
            }
        }
        times = ThreadTimes::Now().Since(started);
    } catch (const std::exception& e) {
        error = e.what();
        taken = reports;
        if (!arrived) startLine.Arrive();
    }
}

}  // namespace

std::vector<int32_t> SamplePcs(int32_t pcCount, size_t count, uint64_t seed) {
    PcSequence pcs(pcCount, seed);
    std::vector<int32_t> sample(count);
    for (int32_t& pc : sample) pc = pcs.Next();
    return sample;
}

ReportRun RunReports(const HwExports& exports, const std::string& connect, int32_t pcCount,
                     int threads, size_t reports, uint64_t seed) {
    ReportRun run;
    run.threads = threads;
    std::vector<std::vector<double>> latencies(static_cast<size_t>(threads));
    std::vector<std::string> errors(static_cast<size_t>(threads));
    std::vector<ThreadTimes> times(static_cast<size_t>(threads));
    ResetPeakRss();
    StartLine startLine(threads);
    std::atomic<size_t> taken{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        latencies[t].reserve(reports);
        workers.emplace_back(ReportThread, std::cref(exports), std::cref(connect), pcCount,
                             seed + static_cast<uint64_t>(t), reports, std::ref(startLine),
                             std::ref(taken), std::ref(latencies[t]), std::ref(times[t]),
                             std::ref(errors[t]));
    }
    for (std::thread& worker : workers) worker.join();
    run.wallSeconds = MillisecondsSince(startLine.Start()) / 1000.0;
    run.peakRssKb = PeakRssKb();
    run.loadAverage = LoadAverage();
    for (int t = 0; t < threads; ++t) {
        run.latencyMs.insert(run.latencyMs.end(), latencies[t].begin(), latencies[t].end());
        if (run.error.empty()) run.error = errors[t];
        run.threadSeconds += times[t].wall;
        run.cpuSeconds += times[t].cpu;
        run.waitSeconds += times[t].wait;
    }
    run.reports = run.latencyMs.size();
    return run;
}

double ScalingRound::Ratio() const {
    return (static_cast<double>(two.reports) / two.wallSeconds) /
           (static_cast<double>(one.reports) / one.wallSeconds);
}

double FleetSizeRound::Ratio() const {
    return Summarise(large.latencyMs).p50 / Summarise(small.latencyMs).p50;
}

namespace {

// `rounds` rounds of two runs, side A first in every other round and side B
// first in the rest, so that a load that comes and goes on the machine (or a
// virtual machine's host that lends it less of a core for a while) weighs on
// both sides alike.
template <class Round>
std::vector<Round> InTurns(int rounds, ReportRun Round::*a, const std::function<ReportRun()>& runA,
                           ReportRun Round::*b, const std::function<ReportRun()>& runB) {
    std::vector<Round> done(static_cast<size_t>(rounds));
    for (int i = 0; i < rounds; ++i) {
        Round& round = done[static_cast<size_t>(i)];
        if (i % 2) {
            round.*b = runB();
            round.*a = runA();
        } else {
            round.*a = runA();
            round.*b = runB();
        }
        for (const ReportRun* run : {&(round.*a), &(round.*b)})
            if (!run->error.empty()) throw std::runtime_error(run->error);
    }
    return done;
}

}  // namespace

std::vector<ScalingRound> RunScalingRounds(const HwExports& exports, const std::string& connect,
                                           int32_t pcCount, int rounds, size_t reports,
                                           uint64_t seed) {
    auto threads = [&](int n) {
        return [&, n] { return RunReports(exports, connect, pcCount, n, reports, seed); };
    };
    return InTurns<ScalingRound>(rounds, &ScalingRound::one, threads(1), &ScalingRound::two,
                                 threads(2));
}

std::vector<FleetSizeRound> RunFleetSizeRounds(const HwExports& exports,
                                               const std::pair<int32_t, std::string>& small,
                                               const std::pair<int32_t, std::string>& large,
                                               int rounds, size_t reports, uint64_t seed) {
    auto fleet = [&](const std::pair<int32_t, std::string>& f) {
        return [&] { return RunReports(exports, f.second, f.first, 1, reports, seed); };
    };
    return InTurns<FleetSizeRound>(rounds, &FleetSizeRound::small, fleet(small),
                                   &FleetSizeRound::large, fleet(large));
}

std::vector<std::pair<size_t, long>> RunMemory(const HwExports& exports, const std::string& connect,
                                               int32_t pcCount,
                                               const std::vector<size_t>& checkpoints,
                                               uint64_t seed, std::string& error) {
    std::vector<std::pair<size_t, long>> rss;
    try {
        CDataConnection connection;
        connection.Open(connect.c_str());
        DisplayRequest request = BenchRequest(connection);
        PcSequence pcs(pcCount, seed);
        size_t done = 0;
        for (const size_t checkpoint : checkpoints) {
            for (; done < checkpoint; ++done) {
                request.PCID = pcs.Next();
                CString html;
                DisplayInOneTransaction(exports, request, html);
                if (html.IsEmpty()) {
                    error = "PC " + std::to_string(request.PCID) + ": Display produced no HTML";
                    return rss;
                }
            }
            rss.emplace_back(done, CurrentRssKb());
        }
    } catch (const std::exception& e) {
        error = e.what();
    }
    return rss;
}

}  // namespace bench
