// The holes of a mesh as loops of border edges.
#pragma once

#include "repair/pipeline/WorkMesh.h"
#include "containers/WorkArray.h"

#include <cstdint>
#include <vector>

namespace meshaudit::pipeline {

// One corner of a loop: its point, and the border side (triangle * 3 +
// corner) of the mesh triangle across the loop's edge from it to the next
// corner.
struct LoopCorner {
    uint32_t point;
    uint32_t side;
};

// Every border edge of the mesh lies on one loop or one chain: a loop runs
// its edges against the triangles' direction (the way triangles filling it
// run them), and never passes a point twice (a walk that comes back to a
// point closes a loop there). A chain is a walk that stopped at a point
// with no edge left to take: edges that do not close up, as where two
// triangles of inconsistent orientation meet a hole. Linear in the border
// edges.
struct BorderLoops {
    WorkArray<WorkArray<LoopCorner>> loops;
    WorkArray<WorkArray<LoopCorner>> chains;
};
BorderLoops FindBorderLoops(const WorkMesh& mesh);

}  // namespace meshaudit::pipeline
