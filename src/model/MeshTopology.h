// Incidence and adjacency of a triangle mesh, built on demand over the
// caller's arrays (which are borrowed, never copied or freed).
#pragma once

#include "containers/Keys.h"
#include "meshaudit.h"

#include <cstdint>

namespace meshaudit {

// A packed list of lists over a fixed set of elements: rows[e] points at
// element e's first entry in one shared buffer (rows[0] is its start),
// counts[e] says how many entries element e has.
struct IncidenceLists {
    uint32_t** rows = nullptr;
    uint32_t* counts = nullptr;
};

class MeshTopology {
public:
    MeshTopology() = default;
    ~MeshTopology();
    MeshTopology(const MeshTopology&) = delete;
    MeshTopology& operator=(const MeshTopology&) = delete;

    void Attach(const MeshRecord& mesh);
    void FreeAll();

    // Each getter builds its structure at the first request, stores the
    // builder's code in Status() and returns the structure (absent on failure).
    const T3DEDGE* Edges(uint32_t& edgeCount);
    const T3DEDGE* BorderEdges(uint32_t& borderEdgeCount);
    const IncidenceLists& VertexNeighbours();
    const IncidenceLists& VertexTriangles();
    const IncidenceLists& EdgeTriangles();
    const IncidenceLists& TriangleNeighbours();
    int32_t Status() const { return status_; }

    const T3DVECF* Points() const { return points_; }
    uint32_t PointCount() const { return pointCount_; }
    const TRIANGLE* Triangles() const { return triangles_; }
    uint32_t TriangleCount() const { return triangleCount_; }

private:
    const T3DVECF* points_ = nullptr;
    uint32_t pointCount_ = 0;
    const TRIANGLE* triangles_ = nullptr;
    uint32_t triangleCount_ = 0;
    T3DEDGE* edges_ = nullptr;
    uint32_t edgeCount_ = 0;
    T3DEDGE* borderEdges_ = nullptr;
    uint32_t borderEdgeCount_ = 0;
    IncidenceLists vertexNeighbours_;
    IncidenceLists vertexTriangles_;
    IncidenceLists edgeTriangles_;
    IncidenceLists triangleNeighbours_;
    int32_t status_ = 0;
};

}  // namespace meshaudit
