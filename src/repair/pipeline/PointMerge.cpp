// Step 2: points merged by coordinates. Every class becomes its smallest
// point, with that point's own coordinates: unlike the library's merge,
// which places a class at its mean, nothing moves.
#include "containers/Memory.h"
#include "repair/MergePoints.h"
#include "repair/pipeline/EqualCoordinates.h"
#include "repair/pipeline/Steps.h"

#include <cmath>
#include <new>

namespace meshaudit::pipeline {

namespace {

// The classes of the library's merge within `tolerance` (seeds in index
// order), over the finite points: each point is given a triangle of its
// own, whose renumbered corner names its class.
WorkArray<uint32_t> FirstWithinTolerance(const WorkMesh& mesh, double tolerance)
{
    const uint32_t count = mesh.PointCount();
    WorkArray<uint32_t> finite;
    for (uint32_t p = 0; p < count; ++p) {
        const T3DVECF& v = mesh.Point(p);
        if (std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z)) {
            finite.push_back(p);
        }
    }
    WorkArray<uint32_t> first(count);
    for (uint32_t p = 0; p < count; ++p) {
        first[p] = p;
    }
    if (finite.empty()) {
        return first;
    }
    const auto n = static_cast<uint32_t>(finite.size());
    MeshRecord record{AllocateArray<T3DVECF>(n), n, AllocateArray<TRIANGLE>(n), n};
    const auto release = [&record] {
        Free(record.points);
        Free(record.triangles);
    };
    if (record.points == nullptr || record.triangles == nullptr) {
        release();
        throw std::bad_alloc();
    }
    for (uint32_t i = 0; i < n; ++i) {
        record.points[i] = mesh.Point(finite[i]);
        record.triangles[i] = TRIANGLE{i, i, i};
    }
    if (!MergeDuplicatedPoints(record, &tolerance)) {
        release();
        throw std::bad_alloc();
    }
    // Classes are met in index order of their members; the first member
    // met is the smallest.
    WorkArray<uint32_t> classFirst(record.pointCount, kNone);
    for (uint32_t i = 0; i < n; ++i) {
        uint32_t& f = classFirst[record.triangles[i].a];
        f = f == kNone ? finite[i] : f;
        first[finite[i]] = f;
    }
    release();
    return first;
}

}  // namespace

void MergePoints(WorkMesh& mesh, double tolerance)
{
    WorkArray<uint32_t> first;
    if (tolerance > 0.0) {
        first = FirstWithinTolerance(mesh, tolerance);
    } else {
        WorkArray<uint32_t> all(mesh.PointCount());
        for (uint32_t p = 0; p < all.size(); ++p) {
            all[p] = p;
        }
        first = FirstEqualPoints(mesh, all);
    }
    bool any = false;
    for (uint32_t p = 0; p < first.size(); ++p) {
        if (first[p] != p && mesh.MergedInto(p) == kNone) {
            mesh.Merge(p, first[p], RepairStep::MergePoints);
            any = true;
        }
    }
    if (any) {
        mesh.TrianglesChanged();
        for (TRIANGLE& t : mesh.triangles) {
            t = TRIANGLE{first[t.a], first[t.b], first[t.c]};
        }
    }
    // Every used point is now the first at its place. A merge within a
    // tolerance leaves that to its clusters, and is not relied on.
    if (tolerance == 0.0) {
        mesh.SetUsedPointsApart();
    }
}

}  // namespace meshaudit::pipeline
