// Step 4: triangles on the same three points. Copies that all run one way
// are one triangle said twice: the first stays. Copies running both ways
// are a two-sided sheet, a surface with no inside, and all of them go (in
// a closed mesh that leaves a hole that step 8 fills with one triangle).
#include "containers/SortFew.h"
#include "repair/pipeline/Steps.h"

#include <algorithm>

namespace meshaudit::pipeline {

namespace {

struct Key {
    uint32_t a, b, c;  // ascending
    uint32_t t;        // the triangle, its top bit its orientation
};

}  // namespace

void RemoveDuplicates(WorkMesh& mesh)
{
    const auto count = static_cast<uint32_t>(mesh.triangles.size());
    // Keys bucketed by their smallest point with one counting sort, then
    // each bucket sorted by its other two points and the triangle: the
    // order of one sort of all keys, at a fraction of its cost, since a
    // point is the smallest of few triangles, and a point that is the
    // smallest of many (a fan) costs n log n as that sort would.
    WorkArray<uint32_t> start(size_t{mesh.PointCount()} + 1, 0);
    WorkArray<Key> unsorted(count);
    for (uint32_t t = 0; t < count; ++t) {
        const TRIANGLE& tri = mesh.triangles[t];
        uint32_t v[3] = {tri.a, tri.b, tri.c};
        // Rotated so the smallest comes first; then the orientation is
        // whether the other two ascend. A triangle that repeats a point is
        // its own reverse and has none.
        const uint32_t low = v[0] < v[1] ? (v[0] < v[2] ? 0u : 2u) : (v[1] < v[2] ? 1u : 2u);
        const uint32_t second = v[(low + 1) % 3], third = v[(low + 2) % 3];
        const bool ascending = second < third || RepeatsPoint(tri);
        unsorted[t] = Key{v[low], std::min(second, third), std::max(second, third), t | (ascending ? 0u : 0x80000000u)};
        ++start[v[low] + 1];
    }
    for (size_t p = 1; p < start.size(); ++p) {
        start[p] += start[p - 1];
    }
    WorkArray<Key> keys(count);
    {
        WorkArray<uint32_t> next(start.begin(), start.end() - 1);
        for (const Key& key : unsorted) {
            keys[next[key.a]++] = key;
        }
    }
    for (size_t p = 0; p + 1 < start.size(); ++p) {
        SortFew(keys.data() + start[p], keys.data() + start[p + 1], 16, [](const Key& x, const Key& y) {
            if (x.b != y.b) {
                return x.b < y.b;
            }
            return x.c != y.c ? x.c < y.c : (x.t & 0x7FFFFFFFu) < (y.t & 0x7FFFFFFFu);
        });
    }
    WorkArray<uint8_t> reasons;
    for (size_t i = 0; i < keys.size();) {
        size_t end = i + 1;
        bool twoSided = false;
        while (end < keys.size() && keys[end].a == keys[i].a && keys[end].b == keys[i].b && keys[end].c == keys[i].c) {
            twoSided |= (keys[end].t >> 31) != (keys[i].t >> 31);
            ++end;
        }
        if (end - i > 1) {
            if (reasons.empty()) {
                reasons.assign(count, WorkMesh::kKeep);
            }
            for (size_t k = twoSided ? i : i + 1; k < end; ++k) {
                reasons[keys[k].t & 0x7FFFFFFFu] =
                    static_cast<uint8_t>(twoSided ? DropReason::TwoSided : DropReason::Duplicate);
            }
        }
        i = end;
    }
    if (!reasons.empty()) {
        mesh.DropTriangles(reasons);
    }
}

}  // namespace meshaudit::pipeline
