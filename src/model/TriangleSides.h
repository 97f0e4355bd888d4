// Small questions about triangles asked by the topology builders and by the
// analyses that scan a point's incident triangles.
#pragma once

#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cstdint>

namespace meshaudit {

// Whether the triangle has point p as a corner.
inline bool HasCorner(const TRIANGLE& t, uint32_t p)
{
    return t.a == p || t.b == p || t.c == p;
}

// Whether the triangle has both p and q as corners (p == q: p once suffices).
inline bool HasCorners(const TRIANGLE& t, uint32_t p, uint32_t q)
{
    return HasCorner(t, p) && HasCorner(t, q);
}

// HasCorner as 0 or 1, without a branch.
inline uint32_t HasCornerBit(const TRIANGLE& t, uint32_t p)
{
    return static_cast<uint32_t>(t.a == p) | static_cast<uint32_t>(t.b == p) |
           static_cast<uint32_t>(t.c == p);
}

// Side s (0: corner 0 to 1, 1: 1 to 2, 2: 2 to 0) of the triangle.
struct TriangleSide {
    uint32_t p;
    uint32_t q;
};

inline TriangleSide SideOf(const TRIANGLE& t, int s)
{
    switch (s) {
    case 0:
        return TriangleSide{t.a, t.b};
    case 1:
        return TriangleSide{t.b, t.c};
    default:
        return TriangleSide{t.c, t.a};
    }
}

// Calls visit(t, s, q) once for every triangle side that starts at point p
// (side s of triangle t runs from corner s, which is p, to corner s + 1,
// which is q), taking p's row of the vertex triangle lists in order: t
// ascending, one triangle's sides in side order. A triangle listed twice in
// the row (p at two corners) is visited from its first entry.
template <typename Visit>
inline void ForEachSideFrom(const TRIANGLE* triangles, const uint32_t* row, uint32_t count,
                            uint32_t p, const Visit& visit)
{
    for (uint32_t k = 0; k < count; ++k) {
        const uint32_t t = row[k];
        if (k > 0 && t == row[k - 1]) {
            continue;
        }
        const TRIANGLE& triangle = triangles[t];
        if (triangle.a == p) {
            visit(t, 0, triangle.b);
        }
        if (triangle.b == p) {
            visit(t, 1, triangle.c);
        }
        if (triangle.c == p) {
            visit(t, 2, triangle.a);
        }
    }
}

// The number of entries of a row of the vertex triangle lists, repeats kept,
// whose triangle is not t and has q as a corner. On p's row these are the
// entries ForEachEntryWithBoth(p, q) visits other than t: every entry there
// has p as a corner. Reads each entry's corners without a branch, which
// beats merging two rows when the row's triangles are at hand already.
inline uint32_t CountOthersWith(const TRIANGLE* triangles, const uint32_t* row, uint32_t count,
                                uint32_t t, uint32_t q)
{
    uint32_t n = 0;
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t u = row[i];
        n += HasCornerBit(triangles[u], q) & static_cast<uint32_t>(u != t);
    }
    return n;
}

// The first position from `from` on whose entry is not below u in an
// ascending row (count when there is none): steps of doubling length, then
// halving, so a search that ends d entries further costs O(log d).
inline uint32_t FirstNotBelow(const uint32_t* row, uint32_t count, uint32_t from, uint32_t u)
{
    uint32_t step = 1;
    uint32_t low = from;  // every entry before low is below u
    while (low + step <= count && row[low + step - 1] < u) {
        low += step;
        step *= 2;
    }
    uint32_t high = low + step <= count ? low + step - 1 : count;  // row[high] >= u, or high == count
    while (low < high) {
        const uint32_t mid = low + (high - low) / 2;
        if (row[mid] < u) {
            low = mid + 1;
        } else {
            high = mid;
        }
    }
    return low;
}

// A row this much longer than the other, and longer than a handful, is
// searched rather than read through: at the centre of a fan every side meets
// the centre's row, which holds every triangle of the fan.
inline bool MuchLonger(uint32_t count, uint32_t other)
{
    return count > 16 && count / 8 > other;
}

// Calls visit(u) for every entry u of rowP, in order and repeats kept, that
// is also in rowQ (both ascending); stops and returns true as soon as visit
// does. The shorter row sets the cost when the other is much longer.
template <typename Visit>
inline bool ForEachInBothRows(const uint32_t* rowP, uint32_t countP, const uint32_t* rowQ,
                              uint32_t countQ, const Visit& visit)
{
    if (MuchLonger(countP, countQ)) {
        // Each distinct entry of q's row is looked up in p's, whose repeats
        // of it are visited in place: the same visits in the same order.
        uint32_t i = 0;
        for (uint32_t j = 0; j < countQ; ++j) {
            const uint32_t u = rowQ[j];
            if (j > 0 && rowQ[j - 1] == u) {
                continue;
            }
            i = FirstNotBelow(rowP, countP, i, u);
            for (; i < countP && rowP[i] == u; ++i) {
                if (visit(u)) {
                    return true;
                }
            }
        }
        return false;
    }
    const bool search = MuchLonger(countQ, countP);
    uint32_t j = 0;
    for (uint32_t i = 0; i < countP; ++i) {
        const uint32_t u = rowP[i];
        if (search) {
            j = FirstNotBelow(rowQ, countQ, j, u);
        }
        while (j < countQ && rowQ[j] < u) {
            ++j;
        }
        if (j == countQ) {
            return false;  // q's row is exhausted: no later entry can match
        }
        // j stays on u, so a repeat of u in p's row matches again.
        if (rowQ[j] == u && visit(u)) {
            return true;
        }
    }
    return false;
}

// Calls visit(u) for every entry u of p's row of the vertex triangle lists,
// in row order and repeats kept, whose triangle also has q as a corner (for
// p == q: every entry); stops and returns true as soon as visit does.
//
// Every row lists all triangles at its point, ascending, so "u has q as a
// corner" is "u is in q's row": the two sorted rows are merged instead of
// reading each triangle's corners.
template <typename Visit>
inline bool ForEachEntryWithBoth(const IncidenceLists& vertexTriangles, uint32_t p, uint32_t q,
                                 const Visit& visit)
{
    return ForEachInBothRows(vertexTriangles.Row(p), vertexTriangles.Count(p),
                             vertexTriangles.Row(q), vertexTriangles.Count(q), visit);
}

// Whether a triangle other than t, found in p's row of the vertex triangle
// lists, has both p and q as corners. Orientation plays no part.
inline bool SideIsShared(const IncidenceLists& vertexTriangles, uint32_t t, uint32_t p, uint32_t q)
{
    return ForEachEntryWithBoth(vertexTriangles, p, q, [t](uint32_t u) { return u != t; });
}

}  // namespace meshaudit
