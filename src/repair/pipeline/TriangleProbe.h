// Whether a triangle meets any triangle of a set: a bounding-box tree over
// the set, walked down along the triangle's box, and the exact
// triangle-triangle test at the leaves.
#pragma once

#include "geometry/TriAabbTree.h"
#include "meshaudit.h"

#include <vector>

namespace meshaudit::pipeline {

class TriangleProbe {
public:
    // A tree over `triangles` (of `pointCount` points at `points`, which must
    // outlive the probe). Throws std::bad_alloc when it cannot be built.
    TriangleProbe(const T3DVECF* points, uint32_t pointCount, const std::vector<TRIANGLE>& triangles);

    // Whether `t` meets a triangle of the set with which it shares no point
    // index, touching included: the pairs mesh::Selfintersection counts.
    bool Meets(const TRIANGLE& t) const;

private:
    std::vector<TRIANGLE> triangles_;
    const T3DVECF* points_;
    C3DTriAABBTree tree_;
};

}  // namespace meshaudit::pipeline
