// The two edge arrays: the unique edges (from the neighbour lists) and the
// border edges (triangle sides no other triangle has).
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"
#include "model/TriangleSides.h"

namespace meshaudit {

int32_t MeshTopology::BuildEdges()
{
    if (edges_ != nullptr) {
        return 0;
    }
    if (BuildVertexNeighbours() != 0) {
        return -1;
    }
    uint8_t* visited = AllocateZeroedArray<uint8_t>(pointCount_);
    if (visited == nullptr) {
        return -3;
    }
    // A pair is taken from its smaller point: by the time v is the centre,
    // every smaller neighbour is visited. A point that is its own neighbour
    // is taken once, before it is marked.
    const IncidenceLists& neighbours = vertexNeighbours_;
    uint32_t count = 0;
    for (uint32_t v = 0; v < pointCount_; ++v) {
        const uint32_t* row = neighbours.rows[v];
        for (uint32_t i = 0; i < neighbours.counts[v]; ++i) {
            count += visited[row[i]] == 0 ? 1u : 0u;
        }
        visited[v] = 1;
    }
    T3DEDGE* edges = AllocateArray<T3DEDGE>(count);
    if (edges == nullptr) {
        Free(visited);
        return -4;
    }
    for (uint32_t v = 0; v < pointCount_; ++v) {
        visited[v] = 0;
    }
    uint32_t written = 0;
    for (uint32_t v = 0; v < pointCount_; ++v) {
        const uint32_t* row = neighbours.rows[v];
        for (uint32_t i = 0; i < neighbours.counts[v]; ++i) {
            const uint32_t w = row[i];
            if (visited[w] == 0) {
                edges[written] = T3DEDGE{v, w};
                ++written;
            }
        }
        visited[v] = 1;
    }
    Free(visited);
    edges_ = edges;
    edgeCount_ = count;
    return 0;
}

int32_t MeshTopology::BuildBorderEdges()
{
    if (borderEdges_ != nullptr) {
        return 0;
    }
    if (BuildVertexTriangles() != 0) {
        return -1;
    }
    uint32_t count = 0;
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        for (int s = 0; s < 3; ++s) {
            const TriangleSide side = SideOf(triangles_[t], s);
            count += SideIsShared(vertexTriangles_, t, side.p, side.q) ? 0u : 1u;
        }
    }
    if (count == 0) {
        // Nothing to keep: the structure stays absent, status 0.
        borderEdgeCount_ = 0;
        return 0;
    }
    T3DEDGE* border = AllocateArray<T3DEDGE>(count);
    if (border == nullptr) {
        return -2;
    }
    uint32_t written = 0;
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        for (int s = 0; s < 3; ++s) {
            const TriangleSide side = SideOf(triangles_[t], s);
            if (!SideIsShared(vertexTriangles_, t, side.p, side.q)) {
                border[written] = T3DEDGE{side.p, side.q};
                ++written;
            }
        }
    }
    borderEdges_ = border;
    borderEdgeCount_ = count;
    return 0;
}

}  // namespace meshaudit
