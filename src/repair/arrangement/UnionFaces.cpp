#include "repair/arrangement/UnionFaces.h"
#include "containers/WorkArray.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace meshaudit::arrangement {

namespace {

// A triangle's point ids in increasing order, and +1 when its own order is
// an even permutation of them (a rotation), -1 when odd.
struct SortedTriangle {
    std::array<uint32_t, 3> ids;
    int8_t parity;
    uint32_t index;
};

SortedTriangle Sorted(const TRIANGLE& t, uint32_t index)
{
    // Rotate the smallest id first (a rotation keeps the orientation); then
    // the orientation is that of (lo, mid, hi) when the second is smaller.
    uint32_t a = t.a, b = t.b, c = t.c;
    if (b < a && b < c) {
        std::swap(a, b);  // (b, c, a)
        std::swap(b, c);
    } else if (c < a && c < b) {
        std::swap(a, c);  // (c, a, b)
        std::swap(b, c);
    }
    return b < c ? SortedTriangle{{a, b, c}, 1, index} : SortedTriangle{{a, c, b}, -1, index};
}

}  // namespace

void GroupFaces(const TRIANGLE* triangles, uint32_t count, WorkArray<UnionFace>& faces)
{
    faces.clear();
    // Ordered by (ids, index), every key once: placed by the lowest id in
    // one counting pass, then each id's few sorted. One sort of them all by
    // comparisons cost twice as much.
    uint32_t most = 0;
    for (uint32_t i = 0; i < count; ++i) {
        most = std::max(most, Sorted(triangles[i], i).ids[0]);
    }
    WorkArray<size_t> start(size_t{most} + 2, 0);
    for (uint32_t i = 0; i < count; ++i) {
        ++start[Sorted(triangles[i], i).ids[0] + 1];
    }
    for (size_t p = 1; p < start.size(); ++p) {
        start[p] += start[p - 1];
    }
    WorkArray<SortedTriangle> sorted(count);
    {
        WorkArray<size_t> next(start.begin(), start.end() - 1);
        for (uint32_t i = 0; i < count; ++i) {
            const SortedTriangle t = Sorted(triangles[i], i);
            sorted[next[t.ids[0]]++] = t;
        }
    }
    for (size_t p = 0; p + 1 < start.size(); ++p) {
        std::sort(sorted.begin() + static_cast<std::ptrdiff_t>(start[p]),
                  sorted.begin() + static_cast<std::ptrdiff_t>(start[p + 1]),
                  [](const SortedTriangle& l, const SortedTriangle& r) {
                      return l.ids != r.ids ? l.ids < r.ids : l.index < r.index;
                  });
    }
    for (size_t begin = 0; begin < sorted.size();) {
        size_t end = begin + 1;
        while (end < sorted.size() && sorted[end].ids == sorted[begin].ids) {
            ++end;
        }
        // The lowest index comes first: it sets the face's orientation.
        const SortedTriangle& first = sorted[begin];
        UnionFace face{triangles[first.index], first.index, UINT32_MAX, 0};
        for (size_t k = begin; k < end; ++k) {
            const bool same = sorted[k].parity == first.parity;
            face.net += same ? 1 : -1;
            if (!same && face.reversed == UINT32_MAX) {
                face.reversed = sorted[k].index;
            }
        }
        if (face.net != 0) {
            faces.push_back(face);
        }
        begin = end;
    }
    // By `along`, each a different triangle: placed at it, then packed.
    WorkArray<uint32_t> at(count, UINT32_MAX);
    for (uint32_t f = 0; f < faces.size(); ++f) {
        at[faces[f].along] = f;
    }
    WorkArray<UnionFace> ordered;
    ordered.reserve(faces.size());
    for (uint32_t i = 0; i < count; ++i) {
        if (at[i] != UINT32_MAX) {
            ordered.push_back(faces[at[i]]);
        }
    }
    faces = std::move(ordered);
}

}  // namespace meshaudit::arrangement
