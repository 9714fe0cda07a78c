// The fleet's one source of randomness. All of it comes from this generator,
// never from the C++ library's, so the same seed gives the same rows on every
// system.
#pragma once

#include <cstddef>
#include <cstdint>

namespace fleet {

inline uint64_t SplitMix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// splitmix64: small, fast, and its output is ours, not a library's.
class Random {
public:
    explicit Random(uint64_t seed) : m_state(seed) {}
    uint64_t Next() {
        m_state += 0x9E3779B97F4A7C15ull;
        return SplitMix(m_state);
    }
    // 0 .. n-1 (n > 0), by the multiply-shift method: no modulo bias worth naming.
    uint32_t Below(uint32_t n) {
        return static_cast<uint32_t>(((Next() >> 32) * static_cast<uint64_t>(n)) >> 32);
    }
    int Between(int low, int high) { return low + static_cast<int>(Below(high - low + 1)); }
    bool Percent(int p) { return static_cast<int>(Below(100)) < p; }
    bool PerMille(int p) { return static_cast<int>(Below(1000)) < p; }
    template <class T, size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Below(static_cast<uint32_t>(N))];
    }

private:
    uint64_t m_state;
};

}  // namespace fleet
