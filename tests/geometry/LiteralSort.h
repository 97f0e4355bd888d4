// The trees' fallback sort written out literally, by plain recursion (right
// side first), as an independent reference for the library's version.
#pragma once

#include <utility>
#include <vector>

namespace meshaudit::testing {

template <typename T, typename Less>
void LiteralSort(std::vector<T>& e, long lo, long hi, const Less& less)
{
    if (lo >= hi) {
        return;
    }
    if (hi - lo + 1 <= 8) {
        for (long k = lo; k <= hi - 1; ++k) {
            long p = k + 1;
            while (p > lo && less(e[p], e[p - 1])) {
                std::swap(e[p], e[p - 1]);
                --p;
            }
        }
        return;
    }
    const long mid = lo + (hi - lo + 1) / 2;
    long m = mid;
    if (less(e[lo], e[hi])) {
        if (less(e[mid], e[lo])) {
            m = lo;
        }
        if (less(e[hi], e[m])) {
            m = hi;
        }
    } else {
        if (less(e[mid], e[hi])) {
            m = hi;
        }
        if (less(e[lo], e[m])) {
            m = lo;
        }
    }
    std::swap(e[m], e[hi]);
    const T pivot = e[hi];
    long i = lo - 1;
    long j = hi;
    for (;;) {
        do {
            ++i;
        } while (less(e[i], pivot) && i < hi);
        do {
            --j;
        } while (less(pivot, e[j]) && j > lo);
        if (i >= j) {
            break;
        }
        std::swap(e[i], e[j]);
    }
    std::swap(e[i], e[hi]);
    LiteralSort(e, i + 1, hi, less);
    LiteralSort(e, lo, i - 1, less);
}

}  // namespace meshaudit::testing
