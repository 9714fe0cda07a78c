#include "bench/BenchSupport.h"

#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <numeric>
#include <random>
#include <thread>

namespace bench {

namespace {

double NearestRank(const std::vector<double>& sorted, double percent) {
    const double rank = std::ceil(percent / 100.0 * static_cast<double>(sorted.size()));
    const size_t index = rank < 1 ? 0 : static_cast<size_t>(rank) - 1;
    return sorted[std::min(index, sorted.size() - 1)];
}

// A "Name:   123 kB" line of /proc/self/status, in KiB; -1 when missing.
long StatusKb(const char* name) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(name) + ":";
    while (std::getline(status, line))
        if (line.compare(0, prefix.size(), prefix) == 0)
            return std::stol(line.substr(prefix.size()));
    return -1;
}

}  // namespace

Summary Summarise(std::vector<double> samples) {
    Summary s;
    if (samples.empty()) return s;
    std::sort(samples.begin(), samples.end());
    s.count = samples.size();
    s.p50 = NearestRank(samples, 50);
    s.p95 = NearestRank(samples, 95);
    s.p99 = NearestRank(samples, 99);
    s.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / static_cast<double>(s.count);
    s.min = samples.front();
    s.max = samples.back();
    return s;
}

long CurrentRssKb() {
    return StatusKb("VmRSS");
}

long PeakRssKb() {
    return StatusKb("VmHWM");
}

void ResetPeakRss() {
    // "5" resets the high-water mark to the current RSS (Linux 4.0 and later).
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

Machine DescribeMachine() {
    Machine m;
    m.cores = static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN));
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line)) {
        if (line.compare(0, 10, "model name") == 0) {
            const size_t colon = line.find(':');
            if (colon != std::string::npos)
                m.cpu = line.substr(line.find_first_not_of(" ", colon + 1));
            break;
        }
    }
    std::ifstream meminfo("/proc/meminfo");
    while (std::getline(meminfo, line))
        if (line.compare(0, 9, "MemTotal:") == 0) m.memoryKb = std::stol(line.substr(9));
    struct utsname name = {};
    if (uname(&name) == 0) m.kernel = std::string(name.sysname) + " " + name.release;
    return m;
}

namespace {

volatile uint64_t g_sink;

void ArithmeticLoop() {
    uint64_t x = 1;
    for (long i = 0; i < 200000000; ++i) x = (x * 6364136223846793005ULL + 1) ^ (x >> 29);
    g_sink = x;
}

// A random cycle through 64 MiB: every read waits for the one before.
void ChaseLoop(const std::vector<uint32_t>& next) {
    uint32_t at = 0;
    for (long i = 0; i < 2000000; ++i) at = next[at];
    g_sink = at;
}

// Two threads doing `work` each, against one thread doing it once.
template <typename Work>
double TwoAgainstOne(const Work& work) {
    Clock::time_point start = Clock::now();
    work();
    const double one = MillisecondsSince(start);
    start = Clock::now();
    std::thread other(work);
    work();
    other.join();
    return 2 * one / MillisecondsSince(start);
}

}  // namespace

void MeasureMachineScaling(Machine& machine) {
    machine.twoCpuBound = TwoAgainstOne(ArithmeticLoop);
    std::vector<uint32_t> next(16u << 20);
    std::iota(next.begin(), next.end(), 0u);
    // Sattolo's shuffle: one cycle through every slot.
    std::mt19937 random(1);
    for (uint32_t i = static_cast<uint32_t>(next.size()) - 1; i > 0; --i)
        std::swap(next[i], next[std::uniform_int_distribution<uint32_t>(0, i - 1)(random)]);
    machine.twoMemoryBound = TwoAgainstOne([&next] { ChaseLoop(next); });
}

std::string LoadAverage() {
    std::ifstream loadavg("/proc/loadavg");
    std::string one, five, fifteen;
    loadavg >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::string NowIso8601() {
    const time_t now = time(nullptr);
    struct tm local = {};
    localtime_r(&now, &local);
    char text[64];
    strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S%z", &local);
    return text;
}

// ---------------------------------------------------------------------------

void JsonWriter::Indent() {
    m_text += '\n';
    m_text.append(2 * m_hasItems.size(), ' ');
}

void JsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_hasItems.empty()) return;
    if (m_hasItems.back()) m_text += ',';
    m_hasItems.back() = true;
    Indent();
}

JsonWriter& JsonWriter::BeginObject() {
    BeforeValue();
    m_text += '{';
    m_hasItems.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndObject() {
    const bool items = m_hasItems.back();
    m_hasItems.pop_back();
    if (items) Indent();
    m_text += '}';
    return *this;
}

JsonWriter& JsonWriter::BeginArray() {
    BeforeValue();
    m_text += '[';
    m_hasItems.push_back(false);
    return *this;
}

JsonWriter& JsonWriter::EndArray() {
    const bool items = m_hasItems.back();
    m_hasItems.pop_back();
    if (items) Indent();
    m_text += ']';
    return *this;
}

JsonWriter& JsonWriter::Key(const std::string& key) {
    BeforeValue();
    AppendQuoted(key);
    m_text += ": ";
    m_afterKey = true;
    return *this;
}

JsonWriter& JsonWriter::Value(const std::string& text) {
    BeforeValue();
    AppendQuoted(text);
    return *this;
}

void JsonWriter::AppendQuoted(const std::string& text) {
    m_text += '"';
    for (const unsigned char c : text) {
        switch (c) {
            case '"':
                m_text += "\\\"";
                break;
            case '\\':
                m_text += "\\\\";
                break;
            case '\n':
                m_text += "\\n";
                break;
            case '\t':
                m_text += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    m_text += escaped;
                } else {
                    m_text += static_cast<char>(c);
                }
        }
    }
    m_text += '"';
}

JsonWriter& JsonWriter::Value(double number) {
    if (!std::isfinite(number)) return Null();
    BeforeValue();
    char text[32];
    snprintf(text, sizeof text, "%.6g", number);
    m_text += text;
    return *this;
}

JsonWriter& JsonWriter::Value(int64_t number) {
    BeforeValue();
    m_text += std::to_string(number);
    return *this;
}

JsonWriter& JsonWriter::Value(bool flag) {
    BeforeValue();
    m_text += flag ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::Raw(const std::string& json) {
    BeforeValue();
    m_text += json;
    return *this;
}

JsonWriter& JsonWriter::Null() {
    BeforeValue();
    m_text += "null";
    return *this;
}

}  // namespace bench
