// Points that share their exact coordinates: the runs of equal points once
// the points are sorted, or, with a NaN point, one search tree of
// (coordinates, occurrences) pairs over all points. Listed in point order:
// each duplicated point with the smallest index of its class, and each
// class once, as that point.
#include "analysis/points/PointAnalyses.h"
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"
#include "containers/Memory.h"
#include "containers/PointRanks.h"

namespace meshaudit::points {

int32_t ExactDuplicates(const MeshRecord& mesh, MeshTopology& topology, DuplicateSums& sums,
                        LocationList* members, LocationList* classes)
{
    const T3DVECF* points = mesh.points;
    const uint32_t pointCount = mesh.pointCount;
    if (points == nullptr) {
        return -1;
    }
    if (pointCount == 0) {
        return -2;
    }
    const DuplicateCodes codes{-3, -4, -5, -6};
    // The key is the point itself: its order compares x, y, z exactly, so
    // 0.0 and -0.0 meet and the last bit matters.
    auto keyOf = [points](uint32_t i, T3DVECF& key) {
        key = points[i];
        return true;
    };
    // Listing needs each point's class: one more array, only then.
    const bool listing = members != nullptr || classes != nullptr;
    uint32_t* firstOf = listing ? AllocateArray<uint32_t>(pointCount) : nullptr;
    if (listing && firstOf == nullptr) {
        return codes.createFailed;
    }
    // Ranking the points sorts them: its runs of equal points are the classes.
    // With a NaN point the order is no strict weak one; then the tree counts.
    //
    // The ranks are made here for the edge and triangle counts to share
    // (SharedPointRanks) where the mesh has no more points than triangles.
    // With more, a soup's three points a triangle for one, they would sit
    // beside the point tree of the epsilon count that follows, the peak of
    // such an analysis, and raise it: the edge count makes them then.
    const bool shared = firstOf == nullptr && topology.HoldsPoints(points, pointCount) &&
                        (pointCount <= mesh.triangleCount || topology.HasPointRanks());
    const auto tupleCount = [&topology, points, pointCount, firstOf, shared](uint32_t& members,
                                                                             uint32_t& classes) {
        PointRanking ranking;
        if (shared) {
            if (topology.PointRanks(ranking) == nullptr) {
                return SortedRunsOutcome::OutOfMemory;
            }
        } else if (!RankPoints(points, pointCount, nullptr, ranking, firstOf)) {
            return SortedRunsOutcome::OutOfMemory;
        }
        if (ranking.nanPoints != 0) {
            return SortedRunsOutcome::HasNaN;
        }
        members = ranking.members;
        classes = ranking.classes;
        return SortedRunsOutcome::Counted;
    };
    const int32_t code =
        CountDuplicatesByTuples<T3DVECF>(pointCount, keyOf, codes, sums, tupleCount, firstOf);
    if (code == 0 && listing) {
        // The lists' own count, in point order: the sums it gives are those
        // of the search, since both read the same classes.
        sums = SumClassesOf(pointCount, firstOf, [members, classes](uint32_t i, uint32_t first) {
            if (members != nullptr) {
                members->Add(i, first);
            }
            if (classes != nullptr && first == i) {
                classes->Add(i);
            }
        });
    }
    Free(firstOf);
    return code;
}

int32_t CountDuplicatedGeometrical(const MeshRecord& mesh)
{
    DuplicateSums sums;
    MeshTopology topology;
    topology.Attach(mesh);
    const int32_t code = ExactDuplicates(mesh, topology, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t CountClassesOfDuplicatedGeometrical(const MeshRecord& mesh)
{
    DuplicateSums sums;
    MeshTopology topology;
    topology.Attach(mesh);
    const int32_t code = ExactDuplicates(mesh, topology, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

}  // namespace meshaudit::points
