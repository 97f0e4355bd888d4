// The two adjacency lists found by scanning one end point's incident
// triangles: triangles per edge and neighbouring triangles per triangle.
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"
#include "model/TriangleSides.h"

namespace meshaudit {

int32_t MeshTopology::BuildEdgeTriangles()
{
    if (IsPresent(edgeTriangles_)) {
        return 0;
    }
    if (points_ == nullptr || triangles_ == nullptr) {
        return -1;
    }
    if (BuildVertexTriangles() != 0) {
        return -2;
    }
    if (BuildEdges() != 0) {
        return -3;
    }
    IncidenceLists lists;
    if (!AllocateRows(lists, edgeCount_)) {
        return -4;
    }
    // Two passes over the same scan: count, then write.
    uint64_t total = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t e = 0; e < edgeCount_; ++e) {
            const uint32_t p = edges_[e].first;
            const uint32_t q = edges_[e].second;
            const uint32_t* row = vertexTriangles_.rows[p];
            const uint32_t count = vertexTriangles_.counts[p];
            for (uint32_t i = 0; i < count; ++i) {
                const uint32_t t = row[i];
                if (!HasCorners(triangles_[t], p, q)) {
                    continue;
                }
                if (pass == 0) {
                    ++lists.counts[e];
                    ++total;
                } else {
                    Append(lists, e, t);
                }
            }
        }
        if (pass == 0 && !LayOutRows(lists, edgeCount_, total)) {
            ReleaseLists(lists);
            return -5;
        }
    }
    edgeTriangles_ = lists;
    return 0;
}

int32_t MeshTopology::BuildTriangleNeighbours()
{
    if (IsPresent(triangleNeighbours_)) {
        return 0;
    }
    if (BuildVertexTriangles() != 0) {
        return -1;
    }
    IncidenceLists lists;
    if (!AllocateRows(lists, triangleCount_)) {
        return -2;
    }
    uint64_t total = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (uint32_t t = 0; t < triangleCount_; ++t) {
            for (int s = 0; s < 3; ++s) {
                const TriangleSide side = SideOf(triangles_[t], s);
                const uint32_t* row = vertexTriangles_.rows[side.p];
                const uint32_t count = vertexTriangles_.counts[side.p];
                for (uint32_t i = 0; i < count; ++i) {
                    const uint32_t u = row[i];
                    if (u == t || !HasCorners(triangles_[u], side.p, side.q)) {
                        continue;
                    }
                    if (pass == 0) {
                        ++lists.counts[t];
                        ++total;
                    } else {
                        Append(lists, t, u);
                    }
                }
            }
        }
        if (pass == 0 && !LayOutRows(lists, triangleCount_, total)) {
            ReleaseLists(lists);
            return -3;
        }
    }
    triangleNeighbours_ = lists;
    return 0;
}

}  // namespace meshaudit
