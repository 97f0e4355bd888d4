// The two edge arrays: the unique edges (from the neighbour lists) and the
// border edges (triangle sides no other triangle has, read from the per
// triangle border-side bits, which the border analyses share).
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
    // A pair is taken from its smaller point, in that point's row order: a
    // neighbour at least as large as the centre (the centre itself when it
    // is its own neighbour) is one more edge.
    const IncidenceLists& neighbours = vertexNeighbours_;
    uint32_t count = 0;
    for (uint32_t v = 0; v < pointCount_; ++v) {
        const uint32_t* row = neighbours.rows[v];
        for (uint32_t i = 0; i < neighbours.counts[v]; ++i) {
            count += row[i] >= v ? 1u : 0u;
        }
    }
    T3DEDGE* edges = AllocateArray<T3DEDGE>(count);
    if (edges == nullptr) {
        return -4;
    }
    uint32_t written = 0;
    for (uint32_t v = 0; v < pointCount_; ++v) {
        const uint32_t* row = neighbours.rows[v];
        for (uint32_t i = 0; i < neighbours.counts[v]; ++i) {
            const uint32_t w = row[i];
            if (w >= v) {
                edges[written] = T3DEDGE{v, w};
                ++written;
            }
        }
    }
    edges_ = edges;
    edgeCount_ = count;
    return 0;
}

int32_t MeshTopology::BuildBorderSides()
{
    if (borderSides_ != nullptr) {
        return 0;
    }
    if (BuildVertexTriangles() != 0) {
        return -1;
    }
    uint8_t* sides = AllocateArray<uint8_t>(triangleCount_);
    if (sides == nullptr) {
        return -2;
    }
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        const TRIANGLE& triangle = triangles_[t];
        const uint32_t corners[3] = {triangle.a, triangle.b, triangle.c};
        uint8_t bits = 0;
        for (int s = 0; s < 3; ++s) {
            const uint32_t p = corners[s];
            const uint32_t q = corners[s == 2 ? 0 : s + 1];
            const bool shared = SideIsShared(vertexTriangles_, t, p, q);
            bits = static_cast<uint8_t>(bits | (shared ? 0u : 1u << s));
        }
        sides[t] = bits;
    }
    borderSides_ = sides;
    return 0;
}

int32_t MeshTopology::BuildBorderEdges()
{
    if (borderEdges_ != nullptr) {
        return 0;
    }
    // Its codes are this list's: -1 for the vertex triangle lists, -2 for
    // memory.
    const int32_t code = BuildBorderSides();
    if (code != 0) {
        return code;
    }
    uint32_t count = 0;
    for (uint32_t t = 0; t < triangleCount_; ++t) {
        count += BorderSideCount(borderSides_[t]);
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
        const uint8_t bits = borderSides_[t];
        if (bits == 0) {
            continue;
        }
        for (int s = 0; s < 3; ++s) {
            if ((bits >> s) & 1u) {
                const TriangleSide side = SideOf(triangles_[t], s);
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
