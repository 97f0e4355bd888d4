// The breadth-first walk over the triangle neighbour lists, taken from the
// triangles of each edge instead, in memory linear in the mesh.
//
// A triangle's neighbour row is, side after side, every other triangle with
// both end points of the side: the triangles of that side's edge (for a side
// (p, p) of a triangle that repeats p, every triangle at p), ascending. The
// walk reaches, from each triangle it leaves, the unreached ones of its row
// in that order. Once one triangle has gone through an edge's triangles, all
// of them are reached, so any later pass through that edge reaches nothing:
// each edge is read once, where the rows would hold, around an edge of k
// triangles, k - 1 entries for each of them. The walk reaches every triangle
// from the same triangle and in the same order as the walk over the rows, so
// whatever it decides on the way (a group number, a flip) is the same.
#pragma once

#include "containers/Memory.h"
#include "model/MeshTopology.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace meshaudit {

// The edges of a mesh with, for each side s of each triangle t (corner s to
// corner s + 1), the position in the topology's Edges of the edge joining
// its end points, at 3 t + s. The edges and their triangles stay owned by
// the topology; the side array is this object's.
class SideEdges {
public:
    SideEdges() = default;
    ~SideEdges() { Free(edgeOf_); }
    SideEdges(const SideEdges&) = delete;
    SideEdges& operator=(const SideEdges&) = delete;

    // 0, or -5 when the topology's edges or their triangles fail, -6 out of
    // memory for the side array. Build once per object.
    int32_t Build(MeshTopology& topology, const TRIANGLE* triangles, uint32_t triangleCount)
    {
        edges_ = topology.Edges(edgeCount_);
        onEdge_ = &topology.EdgeTriangles();  // fails too when the edges did
        if (topology.Status() != 0) {
            return -5;
        }
        edgeOf_ = AllocateArray<uint32_t>(3 * static_cast<std::size_t>(triangleCount));
        if (edgeOf_ == nullptr) {
            return -6;
        }
        // An edge lists each triangle having both its end points, and such a
        // triangle has a side joining them (any two corners of a triangle
        // are joined by a side), so every side is found; a side left out
        // would be a fault of the edges, reported rather than read.
        const std::size_t sideCount = 3 * static_cast<std::size_t>(triangleCount);
        std::fill(edgeOf_, edgeOf_ + sideCount, UINT32_MAX);
        for (uint32_t e = 0; e < edgeCount_; ++e) {
            const uint32_t p = edges_[e].first;
            const uint32_t q = edges_[e].second;
            const uint32_t* row = onEdge_->Row(e);
            const uint32_t count = onEdge_->Count(e);
            for (uint32_t k = 0; k < count; ++k) {
                const uint32_t t = row[k];
                const uint32_t corners[3] = {triangles[t].a, triangles[t].b, triangles[t].c};
                for (int s = 0; s < 3; ++s) {
                    const uint32_t a = corners[s];
                    const uint32_t b = corners[s == 2 ? 0 : s + 1];
                    if ((a == p && b == q) || (a == q && b == p)) {
                        edgeOf_[3 * static_cast<std::size_t>(t) + s] = e;
                    }
                }
            }
        }
        return std::find(edgeOf_, edgeOf_ + sideCount, UINT32_MAX) == edgeOf_ + sideCount ? 0 : -5;
    }

    uint32_t EdgeOf(uint32_t t, int side) const { return edgeOf_[3 * static_cast<std::size_t>(t) + side]; }
    uint32_t EdgeCount() const { return edgeCount_; }
    const T3DEDGE* Edges() const { return edges_; }
    const IncidenceLists& Triangles() const { return *onEdge_; }

private:
    const T3DEDGE* edges_ = nullptr;
    uint32_t edgeCount_ = 0;
    const IncidenceLists* onEdge_ = nullptr;
    uint32_t* edgeOf_ = nullptr;
};

// Walks triangles 0 .. triangleCount - 1 breadth first, seeds in index
// order, as a walk over the triangle neighbour rows would. `state` holds a
// zeroed byte per triangle (0: not reached yet), `queue` room for every
// triangle and `spent` a zeroed byte per edge. seed(s) gives the state of a
// seed, reach(t, u) that of u, reached first from t; neither may return 0.
template <typename Seed, typename Reach>
void WalkByEdges(const SideEdges& sides, uint32_t triangleCount, uint8_t* state, uint32_t* queue,
                 uint8_t* spent, const Seed& seed, const Reach& reach)
{
    const IncidenceLists& onEdge = sides.Triangles();
    for (uint32_t s = 0; s < triangleCount; ++s) {
        if (state[s] != 0) {
            continue;
        }
        state[s] = seed(s);
        uint32_t head = 0;
        uint32_t tail = 0;
        queue[tail++] = s;
        while (head < tail) {
            const uint32_t t = queue[head++];
            for (int side = 0; side < 3; ++side) {
                const uint32_t e = sides.EdgeOf(t, side);
                if (spent[e] != 0) {
                    continue;
                }
                spent[e] = 1;
                const uint32_t* row = onEdge.Row(e);
                const uint32_t count = onEdge.Count(e);
                for (uint32_t k = 0; k < count; ++k) {
                    const uint32_t u = row[k];
                    if (state[u] == 0) {
                        state[u] = reach(t, u);
                        queue[tail++] = u;
                    }
                }
            }
        }
    }
}

}  // namespace meshaudit
