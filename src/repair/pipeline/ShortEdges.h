// Short edges of the arranged mesh collapsed: an edge from a new point
// (an intersection point) to another point, shorter than a given length,
// is removed by moving the new point onto the other one. The exact curves
// of intersection make such edges where a curve crosses an edge right next
// to its end, or passes right by a corner: points that close are correct,
// yet far below the mesh's detail, and the checks of the result count them
// as duplicated points (the `closed` profile: two points within 1e-6 of the
// bounding box's diagonal).
//
// Only collapses that keep a closed manifold closed and manifold are made:
// the edge has exactly two triangles, and the two ends have no common
// neighbour but the far corners of those two (the link condition), and
// each far corner has more than three neighbours. A collapse changes the
// neighbourhoods it touches, so a point next to one made in this pass
// waits for the next, for at most kMostCollapsePasses passes: edges left
// then stay (the checks report their points as duplicated). The two
// triangles of the edge are left repeating a point, for the pipeline's
// step 3 to drop.
#pragma once

#include "containers/WorkArray.h"
#include "meshaudit.h"

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

inline constexpr uint32_t kMostCollapsePasses = 16;

// Collapses the edges of `triangles` (indices into `points`, in range) from
// a point of index firstNew or more to a point of smaller index, no longer
// than `length` (Euclidean; a length of 0 or less collapses nothing), in
// triangle order. The new point goes onto the other end: `triangles` are
// rewritten, `points` are not changed. Returns how many points were moved.
uint32_t CollapseShortEdges(const WorkArray<T3DVECF>& points, uint32_t firstNew, double length,
                            WorkArray<TRIANGLE>& triangles);

}  // namespace meshaudit::pipeline
