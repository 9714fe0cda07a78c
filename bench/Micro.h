// The micro benchmarks, registered with Google Benchmark.
#pragma once

#include <string>

namespace bench {

// Registers them all; `queryDatabase` is the SQLite file of 10,000 rows that
// the CDynamicQuery benchmark reads (created on first use).
void RegisterMicroBenchmarks(const std::string& queryDatabase);

}  // namespace bench
