// What the edge operations check before they compute: the record, and the
// edge list that most of them scan.
#pragma once

#include "analysis/LocationList.h"
#include "containers/Keys.h"
#include "meshaudit.h"
#include "model/MeshTopology.h"

#include <cmath>
#include <cstdint>

namespace meshaudit {

// The record's fields, copied out of the packed record.
struct EdgeMesh {
    const T3DVECF* points = nullptr;
    uint32_t pointCount = 0;
    const TRIANGLE* triangles = nullptr;
    uint32_t triangleCount = 0;
};

// Fills `out` from the record and returns its CheckRecord code (RecordChecks.h).
int32_t ReadRecord(const MeshRecord& mesh, EdgeMesh& out);

// ReadRecord, then the edge list: -5 it failed to build, -6 it is missing,
// -7 it is empty; else 0 with the list in `edges` and `edgeCount`.
int32_t FetchEdgeList(const MeshRecord& mesh, MeshTopology& topology, EdgeMesh& out,
                      const T3DEDGE*& edges, uint32_t& edgeCount);

// Whether both end points of the edge name points of the mesh.
inline bool EndsInRange(const T3DEDGE& edge, uint32_t pointCount)
{
    return edge.first < pointCount && edge.second < pointCount;
}

// Lists an edge as its two points, smaller first.
inline void AddEdge(LocationList& list, uint32_t a, uint32_t b)
{
    if (a < b) {
        list.Add(a, b);
    } else {
        list.Add(b, a);
    }
}

inline void AddEdge(LocationList& list, const T3DEDGE& edge)
{
    AddEdge(list, edge.first, edge.second);
}

// Euclidean length: squared differences summed x, then y, then z.
inline double EdgeLength(const T3DVECF& p, const T3DVECF& q)
{
    const double dx = q.x - p.x;
    const double dy = q.y - p.y;
    const double dz = q.z - p.z;
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace meshaudit
