// Point counts read from the adjacency: border points and degrees.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

namespace meshaudit {
namespace {

using testing::TestMesh;

struct PointAdjacency {
    int32_t border, isolated, minimalDegree, maximalDegree;
};

PointAdjacency CountAll(TestMesh& m)
{
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    PointAdjacency c{};
    c.border = points::CountBorder(r, topology);
    c.isolated = points::CountIsolated(r);
    c.minimalDegree = points::MinimalDegree(r, topology);
    c.maximalDegree = points::MaximalDegree(r, topology);
    return c;
}

TEST(PointAdjacency, SingleTriangle)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddTriangle(0, 1, 2);
    const PointAdjacency c = CountAll(m);
    EXPECT_EQ(c.border, 3);
    EXPECT_EQ(c.isolated, 0);
    EXPECT_EQ(c.minimalDegree, 2);
    EXPECT_EQ(c.maximalDegree, 2);
}

TEST(PointAdjacency, ClosedSurfacesHaveNoBorderPoints)
{
    TestMesh tetrahedron = testing::Tetrahedron();
    const PointAdjacency t = CountAll(tetrahedron);
    EXPECT_EQ(t.border, 0);
    EXPECT_EQ(t.minimalDegree, 3);
    EXPECT_EQ(t.maximalDegree, 3);
    TestMesh torus = testing::Torus(7, 5);
    const PointAdjacency u = CountAll(torus);
    EXPECT_EQ(u.border, 0);
    EXPECT_EQ(u.minimalDegree, 6);
    EXPECT_EQ(u.maximalDegree, 6);
}

TEST(PointAdjacency, IsolatedPointsHaveDegreeZero)
{
    TestMesh m = testing::Tetrahedron();
    m.AddPoint(9, 9, 9);
    const PointAdjacency c = CountAll(m);
    EXPECT_EQ(c.isolated, 1);
    EXPECT_EQ(c.minimalDegree, 0);
    EXPECT_EQ(c.maximalDegree, 3);
    EXPECT_EQ(c.border, 0);
}

TEST(PointAdjacency, OpenGrid)
{
    // 3 x 3 points, diagonals from (0,0) to (2,2).
    TestMesh m = testing::Grid(2);
    const PointAdjacency c = CountAll(m);
    EXPECT_EQ(c.border, 8);
    EXPECT_EQ(c.minimalDegree, 2);  // the corners (2,0) and (0,2)
    EXPECT_EQ(c.maximalDegree, 6);  // the centre
}

TEST(PointAdjacency, APointRepeatedInATriangleIsItsOwnNeighbour)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddTriangle(0, 0, 1);
    const PointAdjacency c = CountAll(m);
    EXPECT_EQ(c.minimalDegree, 1);  // point 1: {0}
    EXPECT_EQ(c.maximalDegree, 2);  // point 0: {0, 1}
    EXPECT_EQ(c.border, 2);
}

TEST(PointAdjacency, ALooseTriangleOnACornerOfAClosedSurface)
{
    TestMesh m = testing::Tetrahedron();
    const uint32_t a = m.AddPoint(-1, -1, 0);
    const uint32_t b = m.AddPoint(-1, 0, -1);
    m.AddTriangle(0, a, b);
    const PointAdjacency c = CountAll(m);
    EXPECT_EQ(c.border, 3);
    EXPECT_EQ(c.maximalDegree, 5);  // corner 0: 1, 2, 3, a, b
    EXPECT_EQ(c.minimalDegree, 2);
}

TEST(PointAdjacency, RecordCodesAndFailures)
{
    TestMesh m = testing::Grid(2);
    const MeshRecord good = m.Record();
    MeshTopology topology;
    MeshRecord r = good;
    r.points = nullptr;
    EXPECT_EQ(points::CountBorder(r, topology), -1);
    r = good;
    r.triangles = nullptr;
    EXPECT_EQ(points::CountBorder(r, topology), -2);
    r = good;
    r.pointCount = 0;
    EXPECT_EQ(points::CountBorder(r, topology), -3);
    r = good;
    r.triangleCount = 0;
    EXPECT_EQ(points::CountBorder(r, topology), -4);

    // A topology over no arrays cannot build its lists.
    EXPECT_EQ(points::MinimalDegree(good, topology), -1);
    EXPECT_EQ(points::MaximalDegree(good, topology), -1);

    topology.Attach(good);
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(points::CountBorder(good, topology), -5);
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(points::MinimalDegree(good, topology), -1);
    memory_testing::ResetAllocationCounter();

    // With the border edges built, the only allocation left is the marks.
    uint32_t borderEdgeCount = 0;
    topology.BorderEdges(borderEdgeCount);
    ASSERT_EQ(topology.Status(), 0);
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(points::CountBorder(good, topology), -6);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(points::CountBorder(good, topology), 8);
}

}  // namespace
}  // namespace meshaudit
