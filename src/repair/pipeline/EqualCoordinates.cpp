// One open-addressing table of positions in the list, probed linearly, at a
// load of at most one half; a probe run longer than kMaxProbes gives up for
// a sort, which keeps crafted input from making the lookups quadratic.
#include "repair/pipeline/EqualCoordinates.h"
#include "containers/Keys.h"

#include <algorithm>

namespace meshaudit::pipeline {

namespace {

constexpr uint32_t kMaxProbes = 64;
// How many points ahead a slot is fetched: the slots are met at random, and
// fetching ahead hides most of the wait.
constexpr uint32_t kLookahead = 16;

bool ByHash(const WorkMesh& mesh, const WorkArray<uint32_t>& points, WorkArray<uint32_t>& first)
{
    uint32_t bits = 4;
    while ((uint64_t{1} << bits) < uint64_t{points.size()} * 2) {
        ++bits;
    }
    const uint64_t mask = (uint64_t{1} << bits) - 1;
    WorkArray<uint32_t> slots(mask + 1, kNone);
    for (uint32_t i = 0; i < points.size(); ++i) {
        if (i + kLookahead < points.size()) {
            __builtin_prefetch(&slots[PointHash(mesh.Point(points[i + kLookahead])) >> (64 - bits)]);
        }
        const T3DVECF& p = mesh.Point(points[i]);
        first[i] = points[i];
        if (!IsFinite(p)) {
            continue;
        }
        uint64_t at = PointHash(p) >> (64 - bits);
        uint32_t probes = 0;
        while (slots[at] != kNone && !(mesh.Point(points[slots[at]]) == p)) {
            at = (at + 1) & mask;
            if (++probes == kMaxProbes) {
                return false;
            }
        }
        if (slots[at] == kNone) {
            slots[at] = i;
        } else {
            first[i] = points[slots[at]];
        }
    }
    return true;
}

void BySort(const WorkMesh& mesh, const WorkArray<uint32_t>& points, WorkArray<uint32_t>& first)
{
    WorkArray<uint32_t> order;
    order.reserve(points.size());
    for (uint32_t i = 0; i < points.size(); ++i) {
        first[i] = points[i];
        if (IsFinite(mesh.Point(points[i]))) {
            order.push_back(i);
        }
    }
    std::sort(order.begin(), order.end(), [&](uint32_t i, uint32_t j) {
        const T3DVECF& a = mesh.Point(points[i]);
        const T3DVECF& b = mesh.Point(points[j]);
        if (a.x != b.x) {
            return a.x < b.x;
        }
        if (a.y != b.y) {
            return a.y < b.y;
        }
        return a.z != b.z ? a.z < b.z : i < j;
    });
    for (size_t k = 1; k < order.size(); ++k) {
        const uint32_t i = order[k], previous = order[k - 1];
        if (mesh.Point(points[i]) == mesh.Point(points[previous])) {
            first[i] = first[previous];
        }
    }
}

}  // namespace

WorkArray<uint32_t> FirstEqualPoints(const WorkMesh& mesh, const WorkArray<uint32_t>& points)
{
    WorkArray<uint32_t> first(points.size());
    if (!ByHash(mesh, points, first)) {
        BySort(mesh, points, first);
    }
    return first;
}

WorkArray<uint32_t> Places(const WorkMesh& mesh, bool& apart)
{
    WorkArray<uint32_t> place(mesh.PointCount(), kNone);
    for (const TRIANGLE& t : mesh.triangles) {
        place[t.a] = place[t.b] = place[t.c] = 0;
    }
    if (mesh.UsedPointsApart()) {
        // What the hash would find: each used point its own place.
        apart = true;
        for (uint32_t p = 0; p < place.size(); ++p) {
            place[p] = place[p] == 0 ? p : kNone;
        }
        return place;
    }
    WorkArray<uint32_t> used;
    for (uint32_t p = 0; p < place.size(); ++p) {
        if (place[p] == 0) {
            used.push_back(p);
        }
    }
    const WorkArray<uint32_t> first = FirstEqualPoints(mesh, used);
    apart = true;
    for (size_t i = 0; i < used.size(); ++i) {
        place[used[i]] = first[i];
        apart &= first[i] == used[i];
    }
    return place;
}

}  // namespace meshaudit::pipeline
