// Merging points within a tolerance of a seed: one ball query per seed on a
// point tree, seeds in index order, each class replaced by the mean of what
// its seed's query found.
#include "repair/MergePoints.h"

#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"

#include <cstring>

namespace meshaudit {

namespace {

// "No class yet". Class numbers stay below the point count, so they never
// reach it.
constexpr uint32_t kNoClass = UINT32_MAX;

// The working arrays, released on every path out of the merge.
struct Scratch {
    uint32_t* classes = nullptr;
    uint32_t* found = nullptr;
    T3DVECF* merged = nullptr;

    ~Scratch()
    {
        Free(classes);
        Free(found);
        Free(merged);
    }
};

}  // namespace

bool MergeDuplicatedPoints(MeshRecord& record, const double* tolerance)
{
    return MergeDuplicatedPoints(record.points, record, tolerance);
}

bool MergeDuplicatedPoints(const T3DVECF* points, MeshRecord& record, const double* tolerance)
{
    const uint32_t pointCount = record.pointCount;
    TRIANGLE* triangles = record.triangles;
    const uint32_t triangleCount = record.triangleCount;
    if (points == nullptr || triangles == nullptr || pointCount == 0 || triangleCount == 0 ||
        tolerance == nullptr) {
        return false;
    }
    MeshRecord source = record;
    source.points = const_cast<T3DVECF*>(points);  // the build only reads them
    C3DPntAABBTree tree;
    if (tree.Build(source) == 0) {
        return false;
    }
    // The merged points, one per class in class order. There are never more
    // classes than points; pages of the array that no class reaches are
    // never written, so the system never provides them.
    Scratch scratch;
    scratch.classes = AllocateArray<uint32_t>(pointCount);
    scratch.found = AllocateArray<uint32_t>(pointCount);
    scratch.merged = AllocateArray<T3DVECF>(pointCount);
    if (scratch.classes == nullptr || scratch.found == nullptr || scratch.merged == nullptr) {
        return false;
    }
    uint32_t* classes = scratch.classes;
    uint32_t* found = scratch.found;
    T3DVECF* merged = scratch.merged;
    for (uint32_t i = 0; i < pointCount; ++i) {
        classes[i] = kNoClass;
    }

    const PntEntry* entries = tree.Entries();
    uint32_t classCount = 0;
    for (uint32_t seed = 0; seed < pointCount; ++seed) {
        if (classes[seed] != kNoClass) {
            continue;
        }
        const T3DSPHERE ball{points[seed], *tolerance};
        uint32_t count = 0;
        tree.CollectEntriesInBall(ball, found, count);
        if (count == 0) {
            return false;
        }
        // Every point found joins this class, also one that an earlier seed
        // took; the sum runs in the order the query found the points. The
        // entries hold exact copies of the coordinates, near one another.
        T3DVECF sum{0.0, 0.0, 0.0};
        for (uint32_t k = 0; k < count; ++k) {
            const PntEntry& e = entries[found[k]];
            classes[e.index] = classCount;
            sum.x += e.point.x;
            sum.y += e.point.y;
            sum.z += e.point.z;
        }
        const double n = static_cast<double>(count);
        merged[classCount++] = T3DVECF{sum.x / n, sum.y / n, sum.z / n};
    }

    // The new point array comes before any change to the record, so that a
    // failure leaves the record as it was given.
    T3DVECF* newPoints = AllocateArray<T3DVECF>(classCount);
    if (newPoints == nullptr) {
        return false;
    }
    std::memcpy(newPoints, merged, sizeof(T3DVECF) * classCount);

    // An index beyond the point count has no class; it is kept as it is and
    // stays out of range, since the merge never adds points.
    for (uint32_t t = 0; t < triangleCount; ++t) {
        TRIANGLE& tri = triangles[t];
        if (tri.a < pointCount) {
            tri.a = classes[tri.a];
        }
        if (tri.b < pointCount) {
            tri.b = classes[tri.b];
        }
        if (tri.c < pointCount) {
            tri.c = classes[tri.c];
        }
    }
    Free(record.points);
    record.points = newPoints;
    record.pointCount = classCount;
    return true;
}

}  // namespace meshaudit
