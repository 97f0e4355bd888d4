#include "MachineReference.h"

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace meshaudit::bench {

double MachineReferenceSeconds()
{
    constexpr std::size_t kCount = std::size_t{4} << 20;
    constexpr std::size_t kTableSize = std::size_t{16} << 20;  // 64 MB, far beyond the caches
    const auto start = std::chrono::steady_clock::now();
    std::vector<uint64_t> keys(kCount);
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (uint64_t& key : keys) {  // splitmix64: fixed, well-spread keys
        state += 0x9E3779B97F4A7C15ull;
        uint64_t z = state;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        key = z ^ (z >> 31);
    }
    const std::vector<uint64_t> unsorted(keys);
    std::sort(keys.begin(), keys.end());
    std::vector<uint32_t> table(kTableSize);
    for (std::size_t i = 0; i < kTableSize; ++i) {
        table[i] = static_cast<uint32_t>(i);
    }
    uint64_t sum = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        sum += table[unsorted[i] % kTableSize] + keys[unsorted[i] % kCount];
    }
    volatile uint64_t sink = sum;  // keeps the reads from being dropped
    (void)sink;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace meshaudit::bench
