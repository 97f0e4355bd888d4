// Ranks of points in the point order: equal points (0.0 and -0.0 alike) get
// one rank, a smaller point a smaller rank. Keys built from points (segments,
// corner sets) then compare as keys built from the ranks, since their orders
// are lexicographic on points: duplicates of such keys can be counted on
// small integers. Only points free of NaN are ranked; the point order is not
// a strict weak one with them.
#pragma once

#include "containers/Keys.h"
#include "containers/Memory.h"
#include "containers/RadixSort.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace meshaudit {

// The rank of a point with a NaN coordinate: none.
inline constexpr uint32_t kNaNRank = UINT32_MAX;

// A double as an unsigned integer of the same order, for values other than
// NaN: both zeros give the integer of 0.0, as they compare equal; a negative
// value's bits are reversed (a larger magnitude is a smaller value) and a
// positive value's sign bit set (every positive above every negative).
inline uint64_t OrderedBits(double v)
{
    if (v == 0.0) {
        v = 0.0;
    }
    uint64_t u = 0;
    std::memcpy(&u, &v, sizeof u);
    const uint64_t sign = uint64_t{1} << 63;
    return (u & sign) != 0 ? ~u : (u | sign);
}

struct PointRanking {
    uint32_t distinct = 0;  // ranks given: 0 .. distinct-1
    uint32_t members = 0;   // ranked points sharing their rank with another
    uint32_t classes = 0;   // ranks shared by two points or more
    uint32_t nanPoints = 0; // points with a NaN coordinate (rank kNaNRank)
};

namespace detail {

struct RankRecord {
    uint64_t key;
    uint32_t index;
    uint32_t pad;
};

inline uint64_t Coordinate(const T3DVECF& p, int axis)
{
    return OrderedBits(axis == 0 ? p.x : (axis == 1 ? p.y : p.z));
}

// Sorts records[first..last) by `axis` of their points (keys refilled), then
// each run of equal coordinates by the next axis. Small ranges go to a
// comparison sort, large ones to the radix sort; either way the range ends
// ordered by the point order from `axis` on.
inline void SortByAxes(const T3DVECF* points, RankRecord* records, RankRecord* scratch,
                       uint32_t first, uint32_t last, int axis)
{
    const uint32_t n = last - first;
    RankRecord* range = records + first;
    for (uint32_t i = 0; i < n; ++i) {
        range[i].key = Coordinate(points[range[i].index], axis);
    }
    if (n <= 64) {
        std::sort(range, range + n,
                  [](const RankRecord& a, const RankRecord& b) { return a.key < b.key; });
    } else {
        const RankRecord* sorted =
            RadixSort(range, scratch + first, n, [](const RankRecord& r) { return r.key; });
        if (sorted != range) {
            std::memcpy(range, sorted, sizeof(RankRecord) * n);
        }
    }
    if (axis == 2) {
        return;
    }
    uint32_t runFirst = 0;
    while (runFirst < n) {
        uint32_t runEnd = runFirst + 1;
        while (runEnd < n && range[runEnd].key == range[runFirst].key) {
            ++runEnd;
        }
        if (runEnd - runFirst > 1) {
            SortByAxes(points, records, scratch, first + runFirst, first + runEnd, axis + 1);
        }
        runFirst = runEnd;
    }
}

}  // namespace detail

// Fills `ranking` and, unless `ranks` is null, ranks[0..pointCount-1];
// unless `firstOf` is null, firstOf[i] becomes the smallest index of the
// points equal to point i when there are two or more, else UINT32_MAX (a
// NaN point equals none). Returns false, with nothing filled but firstOf
// perhaps, when the working array (one allocation, freed on every path)
// cannot be allocated.
inline bool RankPoints(const T3DVECF* points, uint32_t pointCount, uint32_t* ranks,
                       PointRanking& ranking, uint32_t* firstOf = nullptr)
{
    using detail::RankRecord;
    // The records and the radix sort's scratch in one block.
    RankRecord* records = AllocateArray<RankRecord>(2 * uint64_t{pointCount});
    if (records == nullptr) {
        return false;
    }
    RankRecord* scratch = records + pointCount;
    PointRanking result;
    uint32_t n = 0;
    for (uint32_t i = 0; i < pointCount; ++i) {
        if (firstOf != nullptr) {
            firstOf[i] = UINT32_MAX;
        }
        if (HasNaN(points[i])) {
            if (ranks != nullptr) {
                ranks[i] = kNaNRank;
            }
            ++result.nanPoints;
            continue;
        }
        records[n].index = i;
        records[n].pad = 0;
        ++n;
    }
    detail::SortByAxes(points, records, scratch, 0, n, 0);
    uint32_t first = 0;
    while (first < n) {
        const T3DVECF& p = points[records[first].index];
        uint32_t end = first + 1;
        while (end < n && points[records[end].index] == p) {
            ++end;
        }
        if (ranks != nullptr) {
            for (uint32_t k = first; k < end; ++k) {
                ranks[records[k].index] = result.distinct;
            }
        }
        if (end - first > 1) {
            ++result.classes;
            result.members += end - first;
            if (firstOf != nullptr) {
                // The sorts keep no index order within a run.
                uint32_t smallest = records[first].index;
                for (uint32_t k = first + 1; k < end; ++k) {
                    smallest = std::min(smallest, records[k].index);
                }
                for (uint32_t k = first; k < end; ++k) {
                    firstOf[records[k].index] = smallest;
                }
            }
        }
        ++result.distinct;
        first = end;
    }
    Free(records);
    ranking = result;
    return true;
}

// The ranks of points[0..pointCount-1] in a new array (to be released with
// Free), with `ranking` filled; null when memory runs out.
inline uint32_t* NewPointRanks(const T3DVECF* points, uint32_t pointCount, PointRanking& ranking)
{
    uint32_t* ranks = AllocateArray<uint32_t>(pointCount);
    if (ranks == nullptr) {
        return nullptr;
    }
    if (!RankPoints(points, pointCount, ranks, ranking)) {
        Free(ranks);
        return nullptr;
    }
    return ranks;
}

}  // namespace meshaudit
