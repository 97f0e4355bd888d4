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
            ForEachEntryWithBoth(vertexTriangles_, p, q, [&](uint32_t t) {
                if (pass == 0) {
                    ++lists.counts[e];
                    ++total;
                } else {
                    Append(lists, e, t);
                }
                return false;
            });
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
                ForEachEntryWithBoth(vertexTriangles_, side.p, side.q, [&](uint32_t u) {
                    if (u == t) {
                        return false;
                    }
                    if (pass == 0) {
                        ++lists.counts[t];
                        ++total;
                    } else {
                        Append(lists, t, u);
                    }
                    return false;
                });
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
