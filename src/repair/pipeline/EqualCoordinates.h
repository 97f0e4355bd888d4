// Points of equal coordinates, found by hashing: what the merge of step 2
// and the stitching of step 6 join.
#pragma once

#include "repair/pipeline/WorkMesh.h"

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

// For each of the `points` (work mesh numbers), the first of them, in the
// order given, whose coordinates compare equal to its own (0.0 and -0.0
// alike); a point with a NaN or infinite coordinate is its own. Linear on
// ordinary coordinates; coordinates crafted to collide in the hash fall
// back to a sort.
std::vector<uint32_t> FirstEqualPoints(const WorkMesh& mesh, const std::vector<uint32_t>& points);

}  // namespace meshaudit::pipeline
