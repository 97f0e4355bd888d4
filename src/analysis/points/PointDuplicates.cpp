// Points that share their exact coordinates: the runs of equal points once
// the points are sorted, or, with a NaN point, one search tree of
// (coordinates, occurrences) pairs over all points.
#include "analysis/points/PointAnalyses.h"
#include "containers/CountDuplicates.h"
#include "containers/Keys.h"
#include "containers/PointRanks.h"

namespace meshaudit::points {

int32_t ExactDuplicates(const MeshRecord& mesh, DuplicateSums& sums)
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
    // Ranking the points sorts them: its runs of equal points are the classes.
    // With a NaN point the order is no strict weak one; then the tree counts.
    const auto tupleCount = [points, pointCount](uint32_t& members, uint32_t& classes) {
        PointRanking ranking;
        if (!RankPoints(points, pointCount, nullptr, ranking)) {
            return SortedRunsOutcome::OutOfMemory;
        }
        if (ranking.nanPoints != 0) {
            return SortedRunsOutcome::HasNaN;
        }
        members = ranking.members;
        classes = ranking.classes;
        return SortedRunsOutcome::Counted;
    };
    return CountDuplicatesByTuples<T3DVECF>(pointCount, keyOf, codes, sums, tupleCount);
}

int32_t CountDuplicatedGeometrical(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = ExactDuplicates(mesh, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.members);
}

int32_t CountClassesOfDuplicatedGeometrical(const MeshRecord& mesh)
{
    DuplicateSums sums;
    const int32_t code = ExactDuplicates(mesh, sums);
    return code != 0 ? code : static_cast<int32_t>(sums.classes);
}

}  // namespace meshaudit::points
