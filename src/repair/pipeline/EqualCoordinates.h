// Points of equal coordinates, found by hashing: what the merge of step 2
// and the stitching of step 6 join.
#pragma once

#include "repair/pipeline/WorkMesh.h"
#include "containers/WorkArray.h"

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

// Whether two points stand at one place: every coordinate compares equal
// (0.0 and -0.0 alike).
inline bool SamePlace(const T3DVECF& a, const T3DVECF& b)
{
    return a.x == b.x && a.y == b.y && a.z == b.z;
}

// For each of the `points` (work mesh numbers), the first of them, in the
// order given, whose coordinates compare equal to its own (0.0 and -0.0
// alike); a point with a NaN or infinite coordinate is its own. Linear on
// ordinary coordinates; coordinates crafted to collide in the hash fall
// back to a sort.
WorkArray<uint32_t> FirstEqualPoints(const WorkMesh& mesh, const WorkArray<uint32_t>& points);

// The place of every point triangles use: the first such point at its
// coordinates (kNone for points no triangle uses); `apart` tells whether
// every used point is a place of its own, as after step 2 it is.
WorkArray<uint32_t> Places(const WorkMesh& mesh, bool& apart);

}  // namespace meshaudit::pipeline
