// The two adjacency lists found by scanning one end point's incident
// triangles: triangles per edge and neighbouring triangles per triangle.
//
// Both merge the rows of an element's end points, the rows of a block of
// elements looked up ahead (RowBlock), and are written in one scan, row after
// row, into a buffer first sized for a mesh whose triangles are all
// distinct-cornered (three entries per triangle, for either list on a closed
// mesh) and grown when a row might not fit: a side's or an edge's entries
// never outnumber its first end point's row of incident triangles.
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"
#include "model/RowBlocks.h"
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
    RowBlock<2> block;
    for (uint32_t first = 0; first < edgeCount_; first += RowBlock<2>::kSize) {
        const uint32_t rest = edgeCount_ - first;
        const uint32_t size = rest < RowBlock<2>::kSize ? rest : RowBlock<2>::kSize;
        block.Load(vertexTriangles_, size, [this, first](uint32_t b, int k) {
            return k == 0 ? edges_[first + b].first : edges_[first + b].second;
        });
        for (uint32_t b = 0; b < size; ++b) {
            if (!ReserveRow(writer, block.counts[b][0])) {
                ReleaseRows(writer);
                ReleaseLists(lists);
                return -5;
            }
            const uint64_t start = writer.used;
            ForEachInBothRows(block.rows[b][0], block.counts[b][0], block.rows[b][1],
                              block.counts[b][1], [&writer](uint32_t t) {
                                  Put(writer, t);
                                  return false;
                              });
            lists.counts[first + b] = static_cast<uint32_t>(writer.used - start);
        }
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
    RowBlock<3> block;
    for (uint32_t first = 0; first < triangleCount_; first += RowBlock<3>::kSize) {
        const uint32_t rest = triangleCount_ - first;
        const uint32_t size = rest < RowBlock<3>::kSize ? rest : RowBlock<3>::kSize;
        block.Load(vertexTriangles_, size, [this, first](uint32_t b, int k) {
            const TRIANGLE& triangle = triangles_[first + b];
            return k == 0 ? triangle.a : k == 1 ? triangle.b : triangle.c;
        });
        for (uint32_t b = 0; b < size; ++b) {
            const uint32_t t = first + b;
            const uint64_t start = writer.used;
            for (int s = 0; s < 3; ++s) {
                const int next = s == 2 ? 0 : s + 1;
                if (!ReserveRow(writer, block.counts[b][s])) {
                    ReleaseRows(writer);
                    ReleaseLists(lists);
                    return -3;
                }
                ForEachInBothRows(block.rows[b][s], block.counts[b][s], block.rows[b][next],
                                  block.counts[b][next], [&writer, t](uint32_t u) {
                                      if (u != t) {
                                          Put(writer, u);
                                      }
                                      return false;
                                  });
            }
            lists.counts[t] = static_cast<uint32_t>(writer.used - start);
        }
    }
    FinishRows(lists, triangleCount_, writer);
    triangleNeighbours_ = lists;
    return 0;
}

}  // namespace meshaudit
