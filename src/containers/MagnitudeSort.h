// Orders doubles by magnitude, ascending, equal magnitudes in their original
// order, NaN after every number (all NaN alike). This is the order a stable
// sort with a magnitude comparison gives, found by a radix sort on the bits
// of the magnitude: for numbers that are not NaN, the bit patterns of |x|
// as unsigned integers order exactly as the magnitudes do (+0.0 and -0.0
// alike), and every NaN gets one key above infinity.
#pragma once

#include "containers/RadixSort.h"

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

// Sorts values[0, n) in place; scratch must hold n doubles.
inline void SortByMagnitude(double* values, double* scratch, uint32_t n)
{
    const double* sorted = RadixSort(values, scratch, n, &detail::MagnitudeKey);
    if (sorted != values) {
        std::memcpy(values, sorted, sizeof(double) * static_cast<size_t>(n));
    }
}

}  // namespace meshaudit
