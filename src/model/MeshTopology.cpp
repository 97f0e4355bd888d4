#include "model/MeshTopology.h"

#include "containers/Memory.h"
#include "model/IncidenceLists.h"

namespace meshaudit {

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
    Free(edges_);
    Free(borderEdges_);
    Free(borderSides_);
    Free(triangleDegrees_);
    triangleDegrees_ = nullptr;
    Free(pointRanks_);
    pointRanks_ = nullptr;
    pointRanking_ = PointRanking{};
    ReleaseLists(vertexNeighbours_);
    ReleaseLists(vertexTriangles_);
    ReleaseLists(edgeTriangles_);
    ReleaseLists(triangleNeighbours_);
    edges_ = nullptr;
    edgeCount_ = 0;
    borderEdges_ = nullptr;
    borderEdgeCount_ = 0;
    borderSides_ = nullptr;
    largestTriangleRow_ = 0;
    walkGroups_ = -1;
    points_ = nullptr;
    pointCount_ = 0;
    triangles_ = nullptr;
    triangleCount_ = 0;
    indexCheck_ = IndexCheck::Unchecked;
}

const uint32_t* MeshTopology::PointRanks(PointRanking& ranking)
{
    if (pointRanks_ == nullptr && points_ != nullptr && pointCount_ != 0) {
        pointRanks_ = NewPointRanks(points_, pointCount_, pointRanking_);
    }
    ranking = pointRanking_;
    return pointRanks_;
}

bool MeshTopology::PointsRankedApart()
{
    return pointRanks_ != nullptr && pointRanking_.members == 0 && pointRanking_.nanPoints == 0 &&
           IndicesInRange();
}

bool MeshTopology::IndicesInRange()
{
    if (indexCheck_ == IndexCheck::Unchecked) {
        // Without both arrays nothing is indexed: the builders report the
        // missing array themselves.
        bool inRange = true;
        if (points_ != nullptr && triangles_ != nullptr) {
            for (uint32_t t = 0; t < triangleCount_ && inRange; ++t) {
                const TRIANGLE& triangle = triangles_[t];
                inRange = triangle.a < pointCount_ && triangle.b < pointCount_ &&
                          triangle.c < pointCount_;
            }
        }
        indexCheck_ = inRange ? IndexCheck::InRange : IndexCheck::OutOfRange;
    }
    return indexCheck_ == IndexCheck::InRange;
}

const T3DEDGE* MeshTopology::Edges(uint32_t& edgeCount)
{
    status_ = IndicesInRange() ? BuildEdges() : kTopologyIndexOutOfRange;
    edgeCount = edgeCount_;
    return edges_;
}

const T3DEDGE* MeshTopology::BorderEdges(uint32_t& borderEdgeCount)
{
    status_ = IndicesInRange() ? BuildBorderEdges() : kTopologyIndexOutOfRange;
    borderEdgeCount = borderEdgeCount_;
    return borderEdges_;
}

const uint8_t* MeshTopology::BorderSides()
{
    status_ = IndicesInRange() ? BuildBorderSides() : kTopologyIndexOutOfRange;
    return borderSides_;
}

const IncidenceLists& MeshTopology::VertexNeighbours()
{
    status_ = IndicesInRange() ? BuildVertexNeighbours() : kTopologyIndexOutOfRange;
    return vertexNeighbours_;
}

const IncidenceLists& MeshTopology::VertexTriangles()
{
    status_ = IndicesInRange() ? BuildVertexTriangles() : kTopologyIndexOutOfRange;
    return vertexTriangles_;
}

const IncidenceLists& MeshTopology::EdgeTriangles()
{
    status_ = IndicesInRange() ? BuildEdgeTriangles() : kTopologyIndexOutOfRange;
    return edgeTriangles_;
}

bool MeshTopology::HasTriangleNeighbours() const
{
    return IsPresent(triangleNeighbours_);
}

RowCounts MeshTopology::TriangleDegrees()
{
    status_ = IndicesInRange() ? BuildTriangleDegrees() : kTopologyIndexOutOfRange;
    if (status_ != 0) {
        return {};
    }
    return triangleDegrees_ != nullptr ? RowCounts{triangleDegrees_, nullptr}
                                       : RowCounts{nullptr, triangleNeighbours_.starts};
}

const IncidenceLists& MeshTopology::TriangleNeighbours()
{
    status_ = IndicesInRange() ? BuildTriangleNeighbours() : kTopologyIndexOutOfRange;
    return triangleNeighbours_;
}

}  // namespace meshaudit
