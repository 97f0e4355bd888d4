// The two adjacency lists found by scanning one end point's incident
// triangles: triangles per edge and neighbouring triangles per triangle.
//
// Both are written in one scan, row after row, into a buffer first sized for
// a mesh whose triangles are all distinct-cornered (three entries per
// triangle, for either list on a closed mesh) and grown when a row might not
// fit: a side's or an edge's entries never outnumber its first end point's
// row of incident triangles.
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
    RowWriter writer;
    if (!StartRows(writer, 3ull * triangleCount_ + largestTriangleRow_)) {
        ReleaseLists(lists);
        return -5;
    }
    for (uint32_t e = 0; e < edgeCount_; ++e) {
        const uint32_t p = edges_[e].first;
        const uint32_t q = edges_[e].second;
        if (!ReserveRow(writer, vertexTriangles_.counts[p])) {
            ReleaseRows(writer);
            ReleaseLists(lists);
            return -5;
        }
        const uint64_t start = writer.used;
        ForEachEntryWithBoth(vertexTriangles_, p, q, [&writer](uint32_t t) {
            Put(writer, t);
            return false;
        });
        lists.counts[e] = static_cast<uint32_t>(writer.used - start);
    }
    FinishRows(lists, edgeCount_, writer);
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
    RowWriter writer;
    if (!StartRows(writer, 3ull * triangleCount_ + largestTriangleRow_)) {
        ReleaseLists(lists);
        return -3;
    }
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        const uint64_t start = writer.used;
        for (int s = 0; s < 3; ++s) {
            const TriangleSide side = SideOf(triangles_[t], s);
            if (!ReserveRow(writer, vertexTriangles_.counts[side.p])) {
                ReleaseRows(writer);
                ReleaseLists(lists);
                return -3;
            }
            ForEachEntryWithBoth(vertexTriangles_, side.p, side.q, [&writer, t](uint32_t u) {
                if (u != t) {
                    Put(writer, u);
                }
                return false;
            });
        }
        lists.counts[t] = static_cast<uint32_t>(writer.used - start);
    }
    FinishRows(lists, triangleCount_, writer);
    triangleNeighbours_ = lists;
    return 0;
}

}  // namespace meshaudit
