// The two edge arrays: the unique edges (from the neighbour lists) and the
// border edges (triangle sides no other triangle has, read from the per
// triangle border-side bits, which the border analyses share).
#include "containers/Memory.h"
#include "model/IncidenceLists.h"
#include "model/MeshTopology.h"
#include "model/ReadAhead.h"
#include "model/SideGroups.h"
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
        const uint32_t* row = neighbours.Row(v);
        const uint32_t rowCount = neighbours.Count(v);
        for (uint32_t i = 0; i < rowCount; ++i) {
            count += row[i] >= v ? 1u : 0u;
        }
    }
    T3DEDGE* edges = AllocateArray<T3DEDGE>(count);
    if (edges == nullptr) {
        return -4;
    }
    uint32_t written = 0;
    for (uint32_t v = 0; v < pointCount_; ++v) {
        const uint32_t* row = neighbours.Row(v);
        const uint32_t rowCount = neighbours.Count(v);
        for (uint32_t i = 0; i < rowCount; ++i) {
            const uint32_t w = row[i];
            if (w >= v) {
                edges[written] = T3DEDGE{v, w};
                ++written;
            }
        }
    }
    edges_ = edges;
    edgeCount_ = count;
    ReleaseLists(vertexNeighbours_);
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
    if (expectNeighbours_ && !IsPresent(triangleNeighbours_) && NeighbourListsAffordable() &&
        BuildTriangleNeighbours() == 0 && borderSides_ != nullptr) {
        return 0;
    }
    uint8_t* sides = AllocateZeroedArray<uint8_t>(triangleCount_);
    if (sides == nullptr) {
        return -2;
    }
    // Reading a row once per side costs the square of its length: rows this
    // long are taken side group by side group (one count per group of sides
    // with the same end), with the same marks.
    constexpr uint32_t kLongRow = 32;
    SideFrom* scratch = nullptr;
    if (largestTriangleRow_ > kLongRow) {
        scratch = AllocateArray<SideFrom>(largestTriangleRow_);
        if (scratch == nullptr) {
            Free(sides);
            return -2;
        }
    }
    // Point by point: side s of t runs from corner s, so it is decided among
    // the entries of that corner's row, whose triangles stay at hand while
    // the row is read.
    for (uint32_t p = 0; p < pointCount_; ++p) {
        PrefetchRowTargetsAhead(vertexTriangles_, pointCount_, triangles_, triangleCount_, p);
        const uint32_t* row = vertexTriangles_.Row(p);
        const uint32_t count = vertexTriangles_.Count(p);
        if (count > kLongRow) {
            ForEachSideGroupAt(triangles_, vertexTriangles_, p, scratch,
                               [&](uint32_t, uint32_t q, const SideFrom* group, uint32_t n) {
                                   const uint32_t shared = EntriesWithBoth(vertexTriangles_, p, q);
                                   for (uint32_t k = 0; k < n; ++k) {
                                       if (shared == CornersAt(triangles_[group[k].t], p)) {
                                           sides[group[k].t] = static_cast<uint8_t>(sides[group[k].t] | (1u << group[k].s));
                                       }
                                   }
                               });
            continue;
        }
        ForEachSideFrom(triangles_, row, count, p, [&](uint32_t t, int s, uint32_t q) {
            if (CountOthersWith(triangles_, row, count, t, q) == 0) {
                sides[t] = static_cast<uint8_t>(sides[t] | (1u << s));
            }
        });
    }
    Free(scratch);
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
