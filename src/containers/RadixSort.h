// A stable least-significant-digit radix sort of records by an unsigned
// 64-bit key, for the large arrays of small integer keys that the duplicate
// counts sort: a few linear passes instead of n log n comparisons.
#pragma once

#include <cstdint>
#include <utility>

namespace meshaudit {

inline constexpr uint32_t kRadixDigitBits = 11;
inline constexpr uint32_t kRadixDigits = 6;  // 6 x 11 bits cover 64
inline constexpr uint32_t kRadixBuckets = uint32_t{1} << kRadixDigitBits;

// Sorts records[0..n-1] ascending by keyOf(record) (a uint64_t), keeping
// the order of records with equal keys. `scratch` needs room for n records;
// the two arrays swap roles between passes, so the sorted records end up in
// either: the function returns the one that holds them.
// A digit that is the same in every key costs no pass.
template <typename Record, typename KeyOf>
Record* RadixSort(Record* records, Record* scratch, uint32_t n, KeyOf keyOf)
{
    // The histograms of all digits in one read of the keys (48 KiB).
    uint32_t counts[kRadixDigits][kRadixBuckets];
    for (uint32_t d = 0; d < kRadixDigits; ++d) {
        for (uint32_t b = 0; b < kRadixBuckets; ++b) {
            counts[d][b] = 0;
        }
    }
    for (uint32_t i = 0; i < n; ++i) {
        const uint64_t key = keyOf(records[i]);
        for (uint32_t d = 0; d < kRadixDigits; ++d) {
            ++counts[d][(key >> (d * kRadixDigitBits)) & (kRadixBuckets - 1)];
        }
    }
    Record* from = records;
    Record* to = scratch;
    for (uint32_t d = 0; d < kRadixDigits && n != 0; ++d) {
        uint32_t* count = counts[d];
        // The first bucket in use holds every key when the digit is the same
        // in all of them.
        uint32_t b = 0;
        while (count[b] == 0) {
            ++b;
        }
        if (count[b] == n) {
            continue;
        }
        uint32_t sum = 0;
        for (b = 0; b < kRadixBuckets; ++b) {
            const uint32_t c = count[b];
            count[b] = sum;
            sum += c;
        }
        const uint32_t shift = d * kRadixDigitBits;
        for (uint32_t i = 0; i < n; ++i) {
            const uint64_t key = keyOf(from[i]);
            to[count[(key >> shift) & (kRadixBuckets - 1)]++] = from[i];
        }
        std::swap(from, to);
    }
    return from;
}

}  // namespace meshaudit
