// Orders doubles by magnitude, ascending, equal magnitudes in their original
// order, NaN after every number (all NaN alike). This is the order a stable
// sort with a magnitude comparison gives, found by a radix sort on the bits
// of the magnitude: for numbers that are not NaN, the bit patterns of |x|
// as unsigned integers order exactly as the magnitudes do (+0.0 and -0.0
// alike), and every NaN gets one key above infinity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace meshaudit {

namespace detail {

inline uint64_t MagnitudeKey(double x)
{
    uint64_t bits = 0;
    std::memcpy(&bits, &x, sizeof bits);
    bits &= 0x7FFFFFFFFFFFFFFFull;
    constexpr uint64_t kInfinity = 0x7FF0000000000000ull;
    return bits > kInfinity ? kInfinity + 1 : bits;
}

}  // namespace detail

// Sorts values[0, n) in place; scratch must hold n doubles. Least
// significant digit first, each pass stable, passes in which every key has
// the same digit skipped.
inline void SortByMagnitude(double* values, double* scratch, size_t n)
{
    constexpr int kDigitBits = 11;
    constexpr int kPasses = (64 + kDigitBits - 1) / kDigitBits;
    constexpr uint32_t kBuckets = 1u << kDigitBits;
    constexpr uint64_t kMask = kBuckets - 1;
    static_assert(static_cast<size_t>(kDigitBits) * kPasses >= 64);

    // All histograms in one read of the keys.
    uint32_t counts[kPasses][kBuckets] = {};
    for (size_t i = 0; i < n; ++i) {
        const uint64_t key = detail::MagnitudeKey(values[i]);
        for (int pass = 0; pass < kPasses; ++pass) {
            ++counts[pass][(key >> (pass * kDigitBits)) & kMask];
        }
    }
    double* from = values;
    double* to = scratch;
    for (int pass = 0; pass < kPasses; ++pass) {
        uint32_t* count = counts[pass];
        const int shift = pass * kDigitBits;
        if (n == 0 || count[(detail::MagnitudeKey(from[0]) >> shift) & kMask] == n) {
            continue;  // one digit for all: this pass would not move anything
        }
        uint32_t offset = 0;
        for (uint32_t b = 0; b < kBuckets; ++b) {
            const uint32_t c = count[b];
            count[b] = offset;
            offset += c;
        }
        for (size_t i = 0; i < n; ++i) {
            const uint64_t key = detail::MagnitudeKey(from[i]);
            to[count[(key >> shift) & kMask]++] = from[i];
        }
        double* swap = from;
        from = to;
        to = swap;
    }
    if (from != values) {
        std::memcpy(values, from, n * sizeof(double));
    }
}

}  // namespace meshaudit
