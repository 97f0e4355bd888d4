// Points on the border: the end points of the border edges, listed in point
// order.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "model/RecordChecks.h"

namespace meshaudit::points {

int32_t CountBorder(const MeshRecord& mesh, MeshTopology& topology, LocationList* where)
{
    const int32_t check = CheckRecord(mesh);
    if (check != 0) {
        return check;
    }
    const uint32_t pointCount = mesh.pointCount;

    uint32_t borderEdgeCount = 0;
    const T3DEDGE* borderEdges = topology.BorderEdges(borderEdgeCount);
    if (topology.Status() != 0) {
        return -5;
    }
    if (borderEdges == nullptr || borderEdgeCount == 0) {
        return 0;
    }

    // A point ends several border edges: mark it once, count the marks.
    uint8_t* onBorder = AllocateZeroedArray<uint8_t>(pointCount);
    if (onBorder == nullptr) {
        return -6;
    }
    // Listing goes by point order, not border order: the marks are counted
    // (and listed) afterwards in one pass over the points, only then.
    uint32_t count = 0;
    for (uint32_t e = 0; e < borderEdgeCount; ++e) {
        const uint32_t ends[2] = {borderEdges[e].first, borderEdges[e].second};
        for (const uint32_t p : ends) {
            if (p < pointCount && onBorder[p] == 0) {
                onBorder[p] = 1;
                count += where == nullptr ? 1u : 0u;
            }
        }
    }
    if (where != nullptr) {
        for (uint32_t p = 0; p < pointCount; ++p) {
            if (onBorder[p] != 0) {
                ++count;
                where->Add(p);
            }
        }
    }
    Free(onBorder);
    return static_cast<int32_t>(count);
}

}  // namespace meshaudit::points
