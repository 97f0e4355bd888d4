// Triangle counts read from the adjacency: border, degrees, isolated,
// singular and flipped triangles, on small meshes worked out by hand.
#include "analysis/triangles/TriangleAnalyses.h"
#include "containers/Memory.h"
#include "model/MeshTopology.h"
#include "support/TestMeshes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

namespace meshaudit {
namespace {

using testing::TestMesh;

// The adjacency counters of one mesh, each over a fresh topology.
struct AdjacencyCounts {
    int32_t border, isolated, singular, minimalDegree, maximalDegree, flipped;
};

AdjacencyCounts CountAll(TestMesh& m)
{
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    AdjacencyCounts c{};
    c.border = triangles::CountBorder(r, topology);
    c.isolated = triangles::CountIsolated(r, topology);
    c.singular = triangles::CountSingular(r, topology);
    c.minimalDegree = triangles::MinimalDegree(r, topology);
    c.maximalDegree = triangles::MaximalDegree(r, topology);
    c.flipped = triangles::CountFlippedTopological(r, topology);
    return c;
}

// `pages` triangles (0, 1, apex) on the common side (0, 1), all running it
// the same way.
TestMesh Book(uint32_t pages)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(0, 0, 1);
    for (uint32_t i = 0; i < pages; ++i) {
        const double angle = 6.283185307179586 * i / pages;
        m.AddPoint(std::cos(angle), std::sin(angle), 0.5);
        m.AddTriangle(0, 1, 2 + i);
    }
    return m;
}

TEST(TriangleAdjacency, SingleTriangle)
{
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddTriangle(0, 1, 2);
    const AdjacencyCounts c = CountAll(m);
    EXPECT_EQ(c.border, 1);
    EXPECT_EQ(c.isolated, 1);
    EXPECT_EQ(c.singular, 0);
    EXPECT_EQ(c.minimalDegree, 0);
    EXPECT_EQ(c.maximalDegree, 0);
    EXPECT_EQ(c.flipped, 0);
}

TEST(TriangleAdjacency, ClosedTetrahedron)
{
    TestMesh m = testing::Tetrahedron();
    const AdjacencyCounts c = CountAll(m);
    EXPECT_EQ(c.border, 0);
    EXPECT_EQ(c.isolated, 0);
    EXPECT_EQ(c.singular, 0);
    EXPECT_EQ(c.minimalDegree, 3);
    EXPECT_EQ(c.maximalDegree, 3);
    EXPECT_EQ(c.flipped, 0);
}

TEST(TriangleAdjacency, OneReversedTriangleFlipsItselfAndItsThreeNeighbours)
{
    TestMesh m = testing::Tetrahedron();
    std::swap(m.triangles[2].b, m.triangles[2].c);
    const AdjacencyCounts c = CountAll(m);
    EXPECT_EQ(c.flipped, 4);
    EXPECT_EQ(c.minimalDegree, 3);  // degrees ignore orientation
    EXPECT_EQ(c.border, 0);
}

TEST(TriangleAdjacency, TrianglesOnOneCommonSide)
{
    struct Case {
        uint32_t pages;
        int32_t degree;
        int32_t singular;
    };
    for (const Case& k : {Case{3, 2, 0}, Case{4, 3, 0}, Case{5, 4, 5}}) {
        TestMesh m = Book(k.pages);
        const AdjacencyCounts c = CountAll(m);
        EXPECT_EQ(c.minimalDegree, k.degree) << k.pages;
        EXPECT_EQ(c.maximalDegree, k.degree) << k.pages;
        EXPECT_EQ(c.singular, k.singular) << k.pages;
        EXPECT_EQ(c.isolated, 0) << k.pages;
        // Every page has two free sides.
        EXPECT_EQ(c.border, static_cast<int32_t>(k.pages)) << k.pages;
        // All pages run (0, 1) the same way.
        EXPECT_EQ(c.flipped, static_cast<int32_t>(k.pages)) << k.pages;
    }
}

TEST(TriangleAdjacency, TriangleStoredTwice)
{
    TestMesh same;
    same.AddPoint(0, 0, 0);
    same.AddPoint(1, 0, 0);
    same.AddPoint(0, 1, 0);
    same.AddTriangle(0, 1, 2);
    same.AddTriangle(0, 1, 2);
    const AdjacencyCounts s = CountAll(same);
    EXPECT_EQ(s.minimalDegree, 3);
    EXPECT_EQ(s.maximalDegree, 3);
    EXPECT_EQ(s.singular, 0);
    EXPECT_EQ(s.flipped, 2);
    EXPECT_EQ(s.border, 0);  // every side has the other copy

    TestMesh opposite = same;
    opposite.triangles[1] = TRIANGLE{2, 1, 0};
    const AdjacencyCounts o = CountAll(opposite);
    EXPECT_EQ(o.minimalDegree, 3);
    EXPECT_EQ(o.flipped, 0);
    EXPECT_EQ(o.border, 0);
}

TEST(TriangleAdjacency, ATriangleTouchingTheBorderAtACornerIsABorderTriangle)
{
    // A closed tetrahedron and a loose triangle hung on its corner 0: the
    // loose triangle's sides are border sides, so corner 0 is a border vertex
    // and the three faces at corner 0 touch the border there.
    TestMesh m = testing::Tetrahedron();
    const uint32_t a = m.AddPoint(-1, -1, 0);
    const uint32_t b = m.AddPoint(-1, 0, -1);
    m.AddTriangle(0, a, b);
    const AdjacencyCounts c = CountAll(m);
    EXPECT_EQ(c.border, 4);
    EXPECT_EQ(c.isolated, 1);
    EXPECT_EQ(c.minimalDegree, 0);
    EXPECT_EQ(c.maximalDegree, 3);
}

TEST(TriangleAdjacency, OpenGridAndClosedSurfaces)
{
    // A 3 x 3 grid: every cell but the centre one has a corner on the
    // border; the centre cell's corners are the four interior points.
    TestMesh grid = testing::Grid(3);
    const AdjacencyCounts g = CountAll(grid);
    EXPECT_EQ(g.border, 16);
    EXPECT_EQ(g.flipped, 0);
    // The diagonals run from (0,0) to (3,3): the triangles in the corners
    // (3,0) and (0,3) have two border sides.
    EXPECT_EQ(g.minimalDegree, 1);
    EXPECT_EQ(g.maximalDegree, 3);

    TestMesh torus = testing::Torus(8, 6);
    const AdjacencyCounts t = CountAll(torus);
    EXPECT_EQ(t.border, 0);
    EXPECT_EQ(t.minimalDegree, 3);
    EXPECT_EQ(t.maximalDegree, 3);
    EXPECT_EQ(t.flipped, 0);
}

TEST(TriangleAdjacency, SidesRunningTheSameWayFromAnotherCorner)
{
    // (0, 1, 2) and (2, 0, 1) are one triangle started at another corner:
    // they run every side the same way and flip each other. (1, 3, 2) runs
    // the side (1, 2) the other way round and is not flipped.
    TestMesh m;
    m.AddPoint(0, 0, 0);
    m.AddPoint(1, 0, 0);
    m.AddPoint(0, 1, 0);
    m.AddPoint(1, 1, 0);
    m.AddTriangle(0, 1, 2);
    m.AddTriangle(2, 0, 1);
    m.AddTriangle(1, 3, 2);  // consistent with the first on side (1, 2)
    const AdjacencyCounts c = CountAll(m);
    EXPECT_EQ(c.flipped, 2);
    EXPECT_EQ(c.maximalDegree, 4);  // each copy: 3 from the other + 1 from the third
    EXPECT_EQ(c.singular, 2);
}

TEST(TriangleAdjacency, RecordCodes)
{
    TestMesh m = testing::Tetrahedron();
    const MeshRecord good = m.Record();
    MeshRecord r = good;
    MeshTopology topology;
    using Counter = int32_t (*)(const MeshRecord&, MeshTopology&);
    const Counter counters[] = {&triangles::CountBorder,   &triangles::CountIsolated,
                                &triangles::CountSingular, &triangles::MinimalDegree,
                                &triangles::MaximalDegree, &triangles::CountFlippedTopological};
    for (Counter count : counters) {
        r = good;
        r.points = nullptr;
        EXPECT_EQ(count(r, topology), -1);
        r = good;
        r.triangles = nullptr;
        EXPECT_EQ(count(r, topology), -2);
        r = good;
        r.pointCount = 0;
        EXPECT_EQ(count(r, topology), -3);
        r = good;
        r.triangleCount = 0;
        EXPECT_EQ(count(r, topology), -4);
    }
    uint8_t sentinel = 0;
    uint8_t* mask = &sentinel;
    r = good;
    r.points = nullptr;
    EXPECT_EQ(triangles::BorderVertices(r, topology, mask), -1);
    EXPECT_TRUE(mask == nullptr);
}

TEST(TriangleAdjacency, BorderVerticesHandsItsMaskToTheCaller)
{
    TestMesh m = testing::Grid(2);
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    uint8_t* mask = nullptr;
    EXPECT_EQ(triangles::BorderVertices(r, topology, mask), 8);
    ASSERT_TRUE(mask != nullptr);
    EXPECT_EQ(mask[4], 0);  // the centre of the 3 x 3 points
    EXPECT_EQ(mask[0], 1);
    EXPECT_EQ(mask[8], 1);
    Free(mask);
}

TEST(TriangleAdjacency, TopologyAndMaskFailures)
{
    TestMesh m = testing::Grid(2);
    const MeshRecord r = m.Record();
    MeshTopology topology;
    topology.Attach(r);
    // The first allocation of a fresh topology fails: its build fails.
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountFlippedTopological(r, topology), -5);
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountSingular(r, topology), -5);
    memory_testing::ResetAllocationCounter();

    // With the border-side bits built, the only allocation left is the
    // border mask.
    topology.BorderSides();
    ASSERT_EQ(topology.Status(), 0);
    uint8_t* mask = nullptr;
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::BorderVertices(r, topology, mask), -6);
    EXPECT_TRUE(mask == nullptr);
    memory_testing::ResetAllocationCounter();
    memory_testing::FailAllocations(1, 1);
    EXPECT_EQ(triangles::CountBorder(r, topology), -5);
    memory_testing::ResetAllocationCounter();
    EXPECT_EQ(triangles::CountBorder(r, topology), 8);
}

}  // namespace
}  // namespace meshaudit
