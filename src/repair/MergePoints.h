// Merges geometrically duplicated points of a record in place.
#pragma once

#include "meshaudit.h"

namespace meshaudit {

// Every point within |*tolerance| of a seed (seeds in index order) joins the
// seed's class, later seeds taking points over; each class becomes the mean
// of the points its seed reached, summed in the order the point tree's ball
// query reports them, and the triangles are renumbered (an index beyond the
// point count is kept as it is). Returns false when the record is incomplete
// or memory runs out; the record is then unchanged.
bool MergeDuplicatedPoints(MeshRecord& record, const double* tolerance);

// The same merge with the points read from `points` (record.pointCount of
// them) instead of record.points, which is only released and replaced: for
// a record whose point array is a copy of `points` that the merge would
// read and then drop anyway, the copy need not be made.
bool MergeDuplicatedPoints(const T3DVECF* points, MeshRecord& record, const double* tolerance);

// Which routes a merge may take to the same result; tests compare them.
enum class MergeRoutes {
    Any,          // equal groups where they decide the classes, else ball queries
    BallQueries,  // ball queries over all points, always
};

// The route a successful merge took.
enum class MergeRoute { EqualGroups, BallQueries };

// The merge above, restricted to `routes`; stores the route taken in
// *taken (when not null) on success.
bool MergeDuplicatedPoints(const T3DVECF* points, MeshRecord& record, const double* tolerance, MergeRoutes routes,
                           MergeRoute* taken);

}  // namespace meshaudit
