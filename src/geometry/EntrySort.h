// The trees' own quicksort: median-of-three pivot, insertion sort for short
// ranges. It is not stable, and the order it leaves equal keys in decides the
// shape of a tree and hence the order in which a ball query returns points;
// so the tree builds use exactly this sort and never a library one.
#pragma once

#include "containers/Memory.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

namespace meshaudit {

namespace entry_sort_detail {

// Sorts entries[lo..hi] as SortEntries would, when that can be done without
// it: in a copy, by heapsort (whose time is n log n whatever the keys, and
// which never reads out of its range, even if `less` is no strict order, as
// with NaN keys); the copy is written back only when its keys are strictly
// ascending, all distinct, so that any sort would have given the same
// order. False, leaving the range as it was, when two keys are equal or
// incomparable, or the copy cannot be had.
template <typename Entry, typename Less>
bool SortDistinctKeys(Entry* e, int64_t lo, int64_t hi, const Less& less)
{
    // The order is found on positions and the entries then moved whole, byte
    // for byte (padding too), as the quicksort's swaps move them.
    const auto n = static_cast<size_t>(hi - lo + 1);
    uint32_t* order = AllocateArray<uint32_t>(n);
    Entry* copy = AllocateArray<Entry>(n);
    bool distinct = order != nullptr && copy != nullptr;
    if (distinct) {
        for (size_t k = 0; k < n; ++k) {
            order[k] = static_cast<uint32_t>(k);
        }
        const Entry* first = e + lo;
        const auto byKey = [first, &less](uint32_t a, uint32_t b) { return less(first[a], first[b]); };
        std::make_heap(order, order + n, byKey);
        std::sort_heap(order, order + n, byKey);
        for (size_t k = 1; k < n && distinct; ++k) {
            distinct = byKey(order[k - 1], order[k]);
        }
    }
    if (distinct) {
        for (size_t k = 0; k < n; ++k) {
            std::memcpy(static_cast<void*>(copy + k), static_cast<const void*>(e + lo + order[k]), sizeof(Entry));
        }
        std::memcpy(static_cast<void*>(e + lo), static_cast<const void*>(copy), n * sizeof(Entry));
    }
    Free(order);
    Free(copy);
    return distinct;
}

}  // namespace entry_sort_detail

// Sorts entries[lo..hi] (inclusive) ascending by the strict order `less`.
//
//  - A range of at most 8 entries is sorted by insertion: each entry moves
//    down by adjacent swaps while it is less than its predecessor.
//  - Otherwise the pivot is the median of the first, middle (lo + (hi - lo +
//    1) / 2) and last entries, swapped to the end; i runs up over entries less
//    than the pivot, j runs down over entries greater than it, and the two are
//    swapped until they cross. The pivot then goes to i, and both sides are
//    sorted.
//
// Only the larger side is handled by iteration and the smaller by recursion,
// which bounds the stack by log2 of the range; the two sides are disjoint, so
// the order in which they are sorted changes nothing.
//
// A range in strictly descending order makes this quicksort quadratic (the
// tree of a fan meets such ranges at every level), and one in strictly
// ascending order needs no work. In either, no two keys are equal, so the
// ascending order is the only result any sort can give: the range is
// reversed or left as it is, at the cost of one pass, and the order of equal
// keys, which only the quicksort decides, is never at stake.
//
// Other sequences make it quadratic too (the rising then falling keys of a
// fan's triangles around their common corner, at every level of its tree).
// So a range whose partitions run deeper than three times log2 of its
// length is handed to SortDistinctKeys, once: when its keys are distinct the
// result is the one the quicksort would reach, and otherwise the quicksort
// goes on (only equal keys make its order matter, and then only it decides
// it). `depthLeft` is for the recursion; callers leave it out.
template <typename Entry, typename Less>
void SortEntries(Entry* e, int64_t lo, int64_t hi, const Less& less, int64_t depthLeft = -1)
{
    if (depthLeft < 0 && lo < hi) {
        depthLeft = 3 * std::bit_width(static_cast<uint64_t>(hi - lo + 1)) + 8;
    }
    while (lo < hi) {
        if (depthLeft == 0 && hi - lo + 1 > 8) {
            if (entry_sort_detail::SortDistinctKeys(e, lo, hi, less)) {
                return;
            }
            depthLeft = INT64_MAX;  // equal keys: the quicksort's order it is
        }
        --depthLeft;
        if (hi - lo + 1 > 8) {
            int64_t k = lo;
            if (less(e[lo + 1], e[lo])) {
                while (k < hi && less(e[k + 1], e[k])) {
                    ++k;
                }
                if (k == hi) {
                    for (int64_t a = lo, b = hi; a < b; ++a, --b) {
                        std::swap(e[a], e[b]);
                    }
                    return;
                }
            } else {
                while (k < hi && less(e[k], e[k + 1])) {
                    ++k;
                }
                if (k == hi) {
                    return;
                }
            }
        }
        if (hi - lo + 1 <= 8) {
            for (int64_t k = lo; k < hi; ++k) {
                for (int64_t p = k + 1; p > lo && less(e[p], e[p - 1]); --p) {
                    std::swap(e[p], e[p - 1]);
                }
            }
            return;
        }
        const int64_t mid = lo + (hi - lo + 1) / 2;
        int64_t m = mid;
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
        // The pivot stays at hi while the range is partitioned: i stops at hi
        // at the latest, and swaps only touch positions below hi.
        const Entry& pivot = e[hi];
        int64_t i = lo - 1;
        int64_t j = hi;
        while (true) {
            ++i;
            while (less(e[i], pivot) && i < hi) {
                ++i;
            }
            --j;
            while (less(pivot, e[j]) && j > lo) {
                --j;
            }
            if (i >= j) {
                break;
            }
            std::swap(e[i], e[j]);
        }
        std::swap(e[i], e[hi]);
        if (hi - (i + 1) < (i - 1) - lo) {
            SortEntries(e, i + 1, hi, less, depthLeft);
            hi = i - 1;
        } else {
            SortEntries(e, lo, i - 1, less, depthLeft);
            lo = i + 1;
        }
    }
}

}  // namespace meshaudit
