// The two adjacency lists found by scanning one end point's incident
// triangles: triangles per edge and neighbouring triangles per triangle.
//
// Both merge the rows of an element's end points, the rows looked up some
// elements ahead (ForEachElementRows), and are written in one scan, row after
// row, into a buffer first sized for a mesh whose triangles are all
// distinct-cornered (three entries per triangle, for either list on a closed
// mesh) and grown when a row might not fit: a side's or an edge's entries
// never outnumber its first end point's row of incident triangles.
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"
#include "model/RowWindow.h"
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
    const auto endOf = [this](uint32_t e, int k) { return k == 0 ? edges_[e].first : edges_[e].second; };
    const bool written = ForEachElementRows<2>(
        vertexTriangles_, edgeCount_, endOf, [&writer, &lists](uint32_t e, const EndRows<2>& ends) {
            if (!ReserveRow(writer, ends.counts[0])) {
                return false;
            }
            ForEachInBothRows(ends.rows[0], ends.counts[0], ends.rows[1], ends.counts[1],
                              [&writer](uint32_t t) {
                                  Put(writer, t);
                                  return false;
                              });
            EndRow(lists, e, writer);
            return true;
        });
    if (!written) {
        ReleaseRows(writer);
        ReleaseLists(lists);
        return -5;
    }
    FinishRows(lists, writer);
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
    // A side with no entry is one that no other triangle has: where the
    // border sides are wanted from this build and not built yet (see
    // ExpectTriangleNeighbours), they come for free. Without the memory for
    // them, only the lists are made, and the border sides take their own
    // pass when asked for.
    uint8_t* sides = expectNeighbours_ && borderSides_ == nullptr ? AllocateZeroedArray<uint8_t>(triangleCount_)
                                                                  : nullptr;
    const auto endOf = [this](uint32_t t, int k) {
        const TRIANGLE& triangle = triangles_[t];
        return k == 0 ? triangle.a : k == 1 ? triangle.b : triangle.c;
    };
    const bool written = ForEachElementRows<3>(
        vertexTriangles_, triangleCount_, endOf, [&writer, &lists, sides](uint32_t t, const EndRows<3>& ends) {
            for (int s = 0; s < 3; ++s) {
                const int next = s == 2 ? 0 : s + 1;
                if (!ReserveRow(writer, ends.counts[s])) {
                    return false;
                }
                const uint64_t before = writer.used;
                ForEachInBothRows(ends.rows[s], ends.counts[s], ends.rows[next], ends.counts[next],
                                  [&writer, t](uint32_t u) {
                                      if (u != t) {
                                          Put(writer, u);
                                      }
                                      return false;
                                  });
                if (sides != nullptr && writer.used == before) {
                    sides[t] = static_cast<uint8_t>(sides[t] | (1u << s));
                }
            }
            EndRow(lists, t, writer);
            return true;
        });
    if (!written) {
        Free(sides);
        ReleaseRows(writer);
        ReleaseLists(lists);
        return -3;
    }
    FinishRows(lists, writer);
    triangleNeighbours_ = lists;
    if (sides != nullptr) {
        borderSides_ = sides;
    }
    return 0;
}

}  // namespace meshaudit
