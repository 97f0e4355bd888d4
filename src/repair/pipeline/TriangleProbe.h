// Whether a triangle meets any triangle of a set: a bounding-box tree over
// the set, walked down along the triangle's box, and the exact
// triangle-triangle test at the leaves.
//
// The tree splits at the median of the triangles' centres along the axis
// where the centres spread most. The library's tree splits along the
// longest side of a node's box instead, which suits its pair searches; but
// where tall thin triangles stand side by side, as round the rim of a hole
// in a tube, that side is their height, the split separates nothing, and a
// probe near the rim would meet a hundred leaves.
#pragma once

#include "geometry/Aabb.h"
#include "containers/WorkArray.h"
#include "meshaudit.h"

#include <vector>

namespace meshaudit::pipeline {

class TriangleProbe {
public:
    // A tree over `triangles` (of the points at `points`, which must outlive
    // the probe; every corner must name one).
    TriangleProbe(const T3DVECF* points, const WorkArray<TRIANGLE>& triangles);

    // Whether `t` meets a triangle of the set with which it shares no point
    // index, touching included: the pairs mesh::Selfintersection counts.
    bool Meets(const TRIANGLE& t) const;

private:
    struct Node {
        C3DAABB box;
        // A leaf's range of order_ (count above 0), or count 0 and the
        // children's places in nodes_ (first and second).
        uint32_t first = 0, count = 0, second = 0;
    };
    static constexpr uint32_t kLeaf = 8;
    uint32_t Build(uint32_t first, uint32_t count, WorkArray<C3DAABB>& boxes);

    WorkArray<TRIANGLE> triangles_;
    WorkArray<uint32_t> order_;
    WorkArray<Node> nodes_;
    const T3DVECF* points_;
};

}  // namespace meshaudit::pipeline
