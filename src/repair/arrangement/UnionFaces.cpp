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
    WorkArray<SortedTriangle> sorted(count);
    for (uint32_t i = 0; i < count; ++i) {
        sorted[i] = Sorted(triangles[i], i);
    }
    std::sort(sorted.begin(), sorted.end(), [](const SortedTriangle& l, const SortedTriangle& r) {
        return l.ids != r.ids ? l.ids < r.ids : l.index < r.index;
    });
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
    std::sort(faces.begin(), faces.end(),
              [](const UnionFace& l, const UnionFace& r) { return l.along < r.along; });
}

}  // namespace meshaudit::arrangement
