#include "model/MeshTopology.h"

namespace meshaudit {

// Placeholder builders: the topology lands with the edge category.
MeshTopology::~MeshTopology()
{
    FreeAll();
}

void MeshTopology::Attach(const MeshRecord& mesh)
{
    FreeAll();
    points_ = mesh.points;
    pointCount_ = mesh.pointCount;
    triangles_ = mesh.triangles;
    triangleCount_ = mesh.triangleCount;
}

void MeshTopology::FreeAll()
{
    points_ = nullptr;
    pointCount_ = 0;
    triangles_ = nullptr;
    triangleCount_ = 0;
}

const T3DEDGE* MeshTopology::Edges(uint32_t& edgeCount)
{
    status_ = -1;
    edgeCount = 0;
    return nullptr;
}

const T3DEDGE* MeshTopology::BorderEdges(uint32_t& borderEdgeCount)
{
    status_ = -1;
    borderEdgeCount = 0;
    return nullptr;
}

const IncidenceLists& MeshTopology::VertexNeighbours()
{
    status_ = -1;
    return vertexNeighbours_;
}

const IncidenceLists& MeshTopology::VertexTriangles()
{
    status_ = -1;
    return vertexTriangles_;
}

const IncidenceLists& MeshTopology::EdgeTriangles()
{
    status_ = -1;
    return edgeTriangles_;
}

const IncidenceLists& MeshTopology::TriangleNeighbours()
{
    status_ = -1;
    return triangleNeighbours_;
}

}  // namespace meshaudit
