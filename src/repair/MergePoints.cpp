// Merging points within a tolerance of a seed: one ball query per seed on a
// point tree, seeds in index order, each class replaced by the mean of what
// its seed's query found.
//
// Most merges only reunite exact copies (an unwelded soup, a file whose
// corners were written once per triangle). For those a cheaper route gives
// the same bits. With finite coordinates a ball query finds exactly the
// points that pass its distance test (the tree prunes and accepts boxes only
// where every point in them would fail or pass it), and the test depends on
// coordinates alone. So if no two distinct points lie within the tolerance
// of each other, every seed's ball holds exactly the copies of the seed:
// the classes are the groups of equal points in order of first occurrence,
// and each mean sums copies of one value, whose order cannot matter (zeros
// of either sign sum to 0.0 from a start of 0.0). The route groups the
// points with a hash table, then checks the condition with ball queries on
// a tree of the distinct points only; where it fails, or a coordinate is
// not finite, the merge takes the ball queries over all points.
#include "repair/MergePoints.h"

#include "containers/Memory.h"
#include "geometry/PntAabbTree.h"
#include "model/RecordChecks.h"
#include "repair/EqualPointGroups.h"

#include <cstring>

namespace meshaudit {

namespace {

// "No class yet". Class numbers stay below the point count, so they never
// reach it.
constexpr uint32_t kNoClass = UINT32_MAX;

// The working arrays, released on every path out of the merge.
struct Scratch {
    uint32_t* classes = nullptr;  // class of every point
    uint32_t* found = nullptr;    // a query's finds, or the size of every group
    T3DVECF* merged = nullptr;    // one point per class, in class order

    ~Scratch()
    {
        Free(classes);
        Free(found);
        Free(merged);
    }
};

enum class RouteOutcome { Merged, NotApplicable, Failed };

// The classes and means by ball queries over all points.
RouteOutcome MergeByBalls(const T3DVECF* points, const MeshRecord& record, double radius, Scratch& scratch,
                          uint32_t& classCount)
{
    MeshRecord source = record;
    source.points = const_cast<T3DVECF*>(points);  // the build only reads them
    C3DPntAABBTree tree;
    if (tree.Build(source) == 0) {
        return RouteOutcome::Failed;
    }
    const uint32_t pointCount = record.pointCount;
    uint32_t* classes = scratch.classes;
    uint32_t* found = scratch.found;
    T3DVECF* merged = scratch.merged;
    for (uint32_t i = 0; i < pointCount; ++i) {
        classes[i] = kNoClass;
    }

    const PntEntry* entries = tree.Entries();
    classCount = 0;
    for (uint32_t seed = 0; seed < pointCount; ++seed) {
        if (classes[seed] != kNoClass) {
            continue;
        }
        const T3DSPHERE ball{points[seed], radius};
        uint32_t count = 0;
        tree.CollectEntriesInBall(ball, found, count);
        if (count == 0) {
            return RouteOutcome::Failed;
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
    return RouteOutcome::Merged;
}

// How many groups made just before a new one are tested against it while
// grouping. The points of a mesh come roughly in spatial order, so where
// distinct points meet within the tolerance this finds out early, before
// the grouping of a large mesh is wasted.
constexpr uint32_t kRecentGroups = 8;

bool FarFromRecentGroups(const T3DVECF* firsts, uint32_t group, const void* radius)
{
    const T3DSPHERE ball{firsts[group], *static_cast<const double*>(radius)};
    const uint32_t from = group > kRecentGroups ? group - kRecentGroups : 0;
    for (uint32_t g = from; g < group; ++g) {
        if (ClassifyPointBall(firsts[g], ball) != '0') {
            return false;
        }
    }
    return true;
}

// The classes and means when they are the groups of equal points (see the
// head of the file); NotApplicable when they may not be.
RouteOutcome MergeByEqualGroups(const T3DVECF* points, const MeshRecord& record, double radius, Scratch& scratch,
                                uint32_t& classCount)
{
    T3DVECF* firsts = scratch.merged;
    uint32_t* sizes = scratch.found;
    switch (GroupEqualPoints(points, record.pointCount, scratch.classes, firsts, sizes, classCount,
                             FarFromRecentGroups, &radius)) {
    case GroupingOutcome::Grouped:
        break;
    case GroupingOutcome::NotFinite:
    case GroupingOutcome::Stopped:
    case GroupingOutcome::Crowded:
        return RouteOutcome::NotApplicable;
    case GroupingOutcome::OutOfMemory:
        return RouteOutcome::Failed;
    }

    // No group's ball may reach another group. The first points stand for
    // their groups: a squared distance is the same for any copy, the sign
    // of a zero difference being lost in its square.
    if (classCount > 1) {
        MeshRecord distinct = record;
        distinct.points = firsts;
        distinct.pointCount = classCount;
        C3DPntAABBTree tree;
        if (tree.Build(distinct) == 0) {
            return RouteOutcome::Failed;
        }
        // Queries in the tree's own order: each walks much of the path of
        // the one before, still in cache.
        const PntEntry* entries = tree.Entries();
        for (uint32_t k = 0; k < classCount; ++k) {
            uint32_t inBall = 0;
            tree.CountInBallUpTo(T3DSPHERE{entries[k].point, radius}, inBall, 2);
            if (inBall >= 2) {
                return RouteOutcome::NotApplicable;
            }
        }
    }

    // The mean of a group, summed copy by copy as the queries' route sums.
    for (uint32_t g = 0; g < classCount; ++g) {
        const T3DVECF p = firsts[g];
        T3DVECF sum{0.0, 0.0, 0.0};
        for (uint32_t k = 0; k < sizes[g]; ++k) {
            sum.x += p.x;
            sum.y += p.y;
            sum.z += p.z;
        }
        const double n = static_cast<double>(sizes[g]);
        firsts[g] = T3DVECF{sum.x / n, sum.y / n, sum.z / n};
    }
    return RouteOutcome::Merged;
}

}  // namespace

bool MergeDuplicatedPoints(MeshRecord& record, const double* tolerance)
{
    return MergeDuplicatedPoints(record.points, record, tolerance);
}

bool MergeDuplicatedPoints(const T3DVECF* points, MeshRecord& record, const double* tolerance)
{
    return MergeDuplicatedPoints(points, record, tolerance, MergeRoutes::Any, nullptr);
}

bool MergeDuplicatedPoints(const T3DVECF* points, MeshRecord& record, const double* tolerance, MergeRoutes routes,
                           MergeRoute* taken)
{
    const uint32_t pointCount = record.pointCount;
    TRIANGLE* triangles = record.triangles;
    const uint32_t triangleCount = record.triangleCount;
    if (CheckArrays(points, triangles, pointCount, triangleCount) != 0 || tolerance == nullptr) {
        return false;
    }
    const double radius = *tolerance;
    // There are never more classes than points; pages of `merged` that no
    // class reaches are never written, so the system never provides them.
    Scratch scratch;
    scratch.classes = AllocateArray<uint32_t>(pointCount);
    scratch.found = AllocateArray<uint32_t>(pointCount);
    scratch.merged = AllocateArray<T3DVECF>(pointCount);
    if (scratch.classes == nullptr || scratch.found == nullptr || scratch.merged == nullptr) {
        return false;
    }
    uint32_t classCount = 0;
    RouteOutcome outcome = RouteOutcome::NotApplicable;
    MergeRoute route = MergeRoute::EqualGroups;
    if (routes == MergeRoutes::Any) {
        outcome = MergeByEqualGroups(points, record, radius, scratch, classCount);
    }
    if (outcome == RouteOutcome::NotApplicable) {
        route = MergeRoute::BallQueries;
        outcome = MergeByBalls(points, record, radius, scratch, classCount);
    }
    if (outcome != RouteOutcome::Merged) {
        return false;
    }

    // The new point array comes before any change to the record, so that a
    // failure leaves the record as it was given.
    T3DVECF* newPoints = AllocateArray<T3DVECF>(classCount);
    if (newPoints == nullptr) {
        return false;
    }
    std::memcpy(newPoints, scratch.merged, sizeof(T3DVECF) * classCount);

    // An index beyond the point count has no class; it is kept as it is and
    // stays out of range, since the merge never adds points.
    const uint32_t* classes = scratch.classes;
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
    if (taken != nullptr) {
        *taken = route;
    }
    return true;
}

}  // namespace meshaudit
