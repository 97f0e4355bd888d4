// Point counts read from the adjacency: border points and degrees.
#include "analysis/points/PointAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "analysis/MeshBuilders.h"

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

TEST(PointAdjacency, HandCountedMeshes)
{
    TestMesh single = testing::FlatTriangle();
    TestMesh withIsolated = testing::Tetrahedron();
    withIsolated.AddPoint(9, 9, 9);
    // Point 0 is its own neighbour: {0, 1}; point 1: {0}.
    TestMesh repeated = testing::MeshOf({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}});
    TestMesh hung = testing::Tetrahedron();  // corner 0's neighbours: 1, 2, 3, a, b
    const uint32_t a = hung.AddPoint(-1, -1, 0);
    const uint32_t b = hung.AddPoint(-1, 0, -1);
    hung.AddTriangle(0, a, b);
    struct Case {
        const char* name;
        TestMesh mesh;
        PointAdjacency expected;  // border, isolated, minimal and maximal degree
    };
    Case cases[] = {
        {"single triangle", single, {3, 0, 2, 2}},
        {"tetrahedron", testing::Tetrahedron(), {0, 0, 3, 3}},
        {"torus", testing::Torus(7, 5), {0, 0, 6, 6}},
        {"isolated point: degree 0", withIsolated, {0, 1, 0, 3}},
        // 3 x 3 points, diagonals from (0,0) to (2,2): corners (2,0) and (0,2)
        // have degree 2, the centre 6.
        {"open grid", testing::Grid(2), {8, 0, 2, 6}},
        {"point repeated in a triangle", repeated, {2, 0, 1, 2}},
        {"loose triangle on a corner", hung, {3, 0, 2, 5}},
    };
    for (Case& c : cases) {
        SCOPED_TRACE(c.name);
        const PointAdjacency got = CountAll(c.mesh);
        EXPECT_EQ(got.border, c.expected.border);
        EXPECT_EQ(got.isolated, c.expected.isolated);
        EXPECT_EQ(got.minimalDegree, c.expected.minimalDegree);
        EXPECT_EQ(got.maximalDegree, c.expected.maximalDegree);
    }
}

TEST(PointAdjacency, RecordCodesAndFailures)
{
    TestMesh m = testing::Grid(2);
    const MeshRecord good = m.Record();
    MeshTopology topology;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(points::CountBorder(testing::Broken(good, i), topology), -1 - i);
    }

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
