// What every part of the benchmark needs: a monotonic clock, latency
// summaries, the process's memory figures, the machine's description and a
// small JSON writer for the results file.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "HardwareList.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Percentiles by nearest rank over the samples (milliseconds).
// A report request as every part of the bench makes it: the pages it
// compares byte for byte must carry the same header.
inline DisplayRequest BenchRequest(CDataConnection& connection, int32_t pc = 0) {
    DisplayRequest request;
    request.Connection = &connection;
    request.PCID = pc;
    request.User = "bench";
    request.CompanyName = "Example Ltd";
    return request;
}

struct Summary {
    size_t count = 0;
    double p50 = 0, p95 = 0, p99 = 0, mean = 0, min = 0, max = 0;
};
Summary Summarise(std::vector<double> samples);

// Resident set now (VmRSS) and its high-water mark (VmHWM), in KiB; the mark
// can be reset so that each measured phase reports its own peak.
long CurrentRssKb();
long PeakRssKb();
void ResetPeakRss();

struct Machine {
    int cores = 0;
    std::string cpu;
    long memoryKb = 0;
    std::string kernel;
    // What two threads get done against one on this machine now, by the
    // wall clock: a loop of register arithmetic, and random reads over
    // 64 MiB (cache and TLB misses). Near 2 when two cores are free; the
    // ceiling for any two-thread figure of the same run.
    double twoCpuBound = 0, twoMemoryBound = 0;
};
Machine DescribeMachine();
// Measures Machine::twoCpuBound and twoMemoryBound (about two seconds).
void MeasureMachineScaling(Machine& machine);
// The three load averages of /proc/loadavg, e.g. "0.42 0.61 0.70".
std::string LoadAverage();
// Local time as 2024-01-31T12:34:56+0100.
std::string NowIso8601();

// Writes one JSON document; Key() names the next value inside an object.
class JsonWriter {
public:
    JsonWriter& BeginObject();
    JsonWriter& EndObject();
    JsonWriter& BeginArray();
    JsonWriter& EndArray();
    JsonWriter& Key(const std::string& key);
    JsonWriter& Value(const std::string& text);
    JsonWriter& Value(const char* text) { return Value(std::string(text)); }
    JsonWriter& Value(double number);
    JsonWriter& Value(int64_t number);
    JsonWriter& Value(int number) { return Value(static_cast<int64_t>(number)); }
    JsonWriter& Value(size_t number) { return Value(static_cast<int64_t>(number)); }
    JsonWriter& Value(bool flag);
    JsonWriter& Null();
    // A value that is JSON text already (an object written elsewhere).
    JsonWriter& Raw(const std::string& json);
    const std::string& Text() const { return m_text; }

private:
    void BeforeValue();
    void AppendQuoted(const std::string& text);
    void Indent();
    std::string m_text;
    std::vector<bool> m_hasItems;  // one per open object or array
    bool m_afterKey = false;
};

}  // namespace bench
